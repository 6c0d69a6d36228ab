#pragma once

#include "chain/AudioBuffer.h"

namespace veltra {

// Engine stream in: keeps every channel of every incoming frame.
class PlaybackInputAudioBuffer final : public AudioBuffer {
  public:
    PlaybackInputAudioBuffer(int channels, std::uint32_t format)
        : AudioBuffer(format), channels_(channels) {}

    void writeInt16(const std::int16_t* source, int frames) override;
    void writeFloat(const float* source, int frames) override;

  private:
    int channels_;
};

}  // namespace veltra
