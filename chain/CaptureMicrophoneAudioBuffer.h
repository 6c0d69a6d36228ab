#pragma once

#include "chain/AudioBuffer.h"

namespace veltra {

// Microphone stream in. The first construction count belongs to the reference stream and is
// ignored; channels from the first channel up to the stride are kept, which is every channel.
class CaptureMicrophoneAudioBuffer final : public AudioBuffer {
  public:
    CaptureMicrophoneAudioBuffer(int /*ignored*/, int microphoneChannels, std::uint32_t format)
        : AudioBuffer(format),
          channelCount_(microphoneChannels),
          frameStride_(microphoneChannels) {}

    void writeInt16(const std::int16_t* source, int frames) override;
    void writeFloat(const float* source, int frames) override;

  private:
    int firstChannel_ = 0;
    [[maybe_unused]] int channelCount_;
    int frameStride_;
};

}  // namespace veltra
