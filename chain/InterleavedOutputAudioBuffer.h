#pragma once

#include "chain/AudioBuffer.h"

namespace veltra {

// An engine's output queue: serves frames of every channel, oldest first, zeroing the destination
// before filling it.
class InterleavedOutputAudioBuffer : public AudioBuffer {
  public:
    InterleavedOutputAudioBuffer(int channels, std::uint32_t format)
        : AudioBuffer(format), channels_(channels) {}

    void readInt16(std::int16_t* destination, int frames) override {
        takeFrames(destination, frames, channels_);
    }
    void readFloat(float* destination, int frames) override {
        takeFrames(destination, frames, channels_);
    }

  private:
    int channels_;
};

}  // namespace veltra
