#pragma once

#include "chain/AudioBuffer.h"

namespace veltra {

// Playback engine stream out: serves frames of every channel, oldest first.
class PlaybackOutputAudioBuffer final : public AudioBuffer {
  public:
    PlaybackOutputAudioBuffer(int channels, std::uint32_t format)
        : AudioBuffer(format), channels_(channels) {}

    void readInt16(std::int16_t* destination, int frames) override;
    void readFloat(float* destination, int frames) override;

  private:
    int channels_;
};

}  // namespace veltra
