#pragma once

#include "chain/InterleavedOutputAudioBuffer.h"

namespace veltra {

// The playback engine's stream out.
class PlaybackOutputAudioBuffer final : public InterleavedOutputAudioBuffer {
  public:
    using InterleavedOutputAudioBuffer::InterleavedOutputAudioBuffer;
};

}  // namespace veltra
