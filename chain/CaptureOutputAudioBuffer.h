#pragma once

#include "chain/InterleavedOutputAudioBuffer.h"

namespace veltra {

// The capture engine's stream out.
class CaptureOutputAudioBuffer final : public InterleavedOutputAudioBuffer {
  public:
    using InterleavedOutputAudioBuffer::InterleavedOutputAudioBuffer;
};

}  // namespace veltra
