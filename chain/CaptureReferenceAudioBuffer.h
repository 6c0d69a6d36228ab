#pragma once

#include "chain/AudioBuffer.h"

namespace veltra {

// Reference stream in. The second construction count belongs to the microphone stream and is
// ignored; with the stride equal to the count taken, every channel of every frame is kept.
class CaptureReferenceAudioBuffer final : public AudioBuffer {
  public:
    CaptureReferenceAudioBuffer(int referenceChannels, int /*ignored*/, std::uint32_t format)
        : AudioBuffer(format), channelsTaken_(referenceChannels), frameStride_(referenceChannels) {}

    void writeInt16(const std::int16_t* source, int frames) override;
    void writeFloat(const float* source, int frames) override;

  private:
    int channelsTaken_;
    [[maybe_unused]] int reserved_ = 0;
    int frameStride_;
};

}  // namespace veltra
