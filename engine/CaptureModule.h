#pragma once

#include <cstdint>

namespace veltra {

class VeltraDspCapture;

// What the microphone processing object calls. The engine's configuration is fixed: one
// reference channel, one microphone channel, two output channels, 16000 Hz. Null engines are
// accepted and ignored.
VeltraDspCapture* createCaptureEngine();
int processCapture(VeltraDspCapture* engine, const void* reference, const void* microphone,
                   void* output, std::uint32_t frames);
int destroyCaptureEngine(VeltraDspCapture* engine);

}  // namespace veltra
