#pragma once

#include "chain/AudioBuffer.h"

namespace veltra {

// Capture engine stream out: serves frames of every channel, oldest first.
class CaptureOutputAudioBuffer final : public AudioBuffer {
  public:
    CaptureOutputAudioBuffer(int channels, std::uint32_t format)
        : AudioBuffer(format), channels_(channels) {}

    void readInt16(std::int16_t* destination, int frames) override;
    void readFloat(float* destination, int frames) override;

  private:
    int channels_;
};

}  // namespace veltra
