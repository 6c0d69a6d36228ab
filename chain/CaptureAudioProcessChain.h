#pragma once

#include <cstdint>

#include "chain/AudioProcessChain.h"

namespace veltra {

// Chain kind of the microphone path: configuration {reference channels, microphone channels,
// output channels, sample rate}. The input block carries reference channels first.
class CaptureAudioProcessChain : public AudioProcessChain {
  public:
    using AudioProcessChain::AudioProcessChain;

    bool init(const std::uint32_t* configuration) override;

    std::uint32_t referenceChannels() const { return referenceChannels_; }
    std::uint32_t microphoneChannels() const { return microphoneChannels_; }
    std::uint32_t inputChannels() const { return inputChannels_; }
    std::uint32_t outputChannels() const { return outputChannels_; }
    std::uint32_t sampleRate() const { return sampleRate_; }

  protected:
    std::uint32_t referenceChannels_ = 0;
    std::uint32_t microphoneChannels_ = 0;
    std::uint32_t inputChannels_ = 0;
    std::uint32_t outputChannels_ = 0;
    std::uint32_t sampleRate_ = 16000;
};

}  // namespace veltra
