#pragma once

#include <cstdint>

#include "chain/AudioProcessChain.h"

namespace veltra {

// Chain kind of the speaker path: configuration {input channels, output channels, sample rate}.
// Every stage and every copy runs over the output channel count.
class PlaybackAudioProcessChain : public AudioProcessChain {
  public:
    using AudioProcessChain::AudioProcessChain;

    bool init(const std::uint32_t* configuration) override;

    std::uint32_t inputChannels() const { return inputChannels_; }
    int channels() const { return channels_; }
    std::uint32_t sampleRate() const { return sampleRate_; }

  protected:
    std::uint32_t inputChannels_ = 0;
    int channels_ = 0;
    std::uint32_t sampleRate_ = 48000;
};

}  // namespace veltra
