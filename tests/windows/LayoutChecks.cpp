// Compile-time only: where MinGW-w64 declares a processing-object structure itself, ours must agree
// with it field by field, since both describe what the audio engine passes.
// MinGW-w64's header needs the Windows types that ours brings in first.
// clang-format off
#include "apo/platform/AudioEngineApoTypes.h"
#include <audioapotypes.h>
// clang-format on

#include <cstddef>

static_assert(sizeof(::APO_CONNECTION_PROPERTY) == sizeof(veltra::apo::APO_CONNECTION_PROPERTY));
static_assert(offsetof(::APO_CONNECTION_PROPERTY, u32ValidFrameCount) ==
              offsetof(veltra::apo::APO_CONNECTION_PROPERTY, u32ValidFrameCount));
static_assert(offsetof(::APO_CONNECTION_PROPERTY, u32BufferFlags) ==
              offsetof(veltra::apo::APO_CONNECTION_PROPERTY, u32BufferFlags));
static_assert(offsetof(::APO_CONNECTION_PROPERTY, u32Signature) ==
              offsetof(veltra::apo::APO_CONNECTION_PROPERTY, u32Signature));
