#pragma once

#include "apo/platform/AudioEngineApoTypes.h"

namespace veltra::apo {

// Runs a processing object's engine in place over a float buffer: (context, buffer, frames).
using EngineStep = void (*)(void* context, float* buffer, UINT32 frames);

// The per-buffer steps shared by both processing objects on the real-time thread: invalid input
// leaves everything untouched, silent input is zeroed, multi-channel non-raw audio runs through
// the engine in place, the result is copied to a distinct output buffer, and flags and frame count
// follow. Allocates nothing and takes no lock of its own.
void processConnection(const APO_CONNECTION_PROPERTY& in, APO_CONNECTION_PROPERTY* out,
                       UINT32 outputCount, UINT32 channels, bool rawMode, EngineStep step,
                       void* context);

}  // namespace veltra::apo
