#pragma once

#include <memory>
#include <vector>

#include "effects/DspAudioEffectObject.h"

namespace veltra {

// A multichannel effect made of one mono effect per channel: every operation fans out, channel
// gain or limiter k seeing channel k as its first channel. All channels get the same parameter
// block but keep their own state.
template <typename Channel>
class PerChannelAudioEffectObject : public DspAudioEffectObject {
  public:
    bool init() override {
        for (auto& channel : channels_) channel->init();
        return true;
    }
    void release() override {
        for (auto& channel : channels_) channel->release();
    }
    void clearState() override {
        for (auto& channel : channels_) channel->clearState();
    }
    void setParameters(const ParameterBlock& block) override {
        DspAudioEffectObject::setParameters(block);
        for (auto& channel : channels_) channel->setParameters(block);
    }
    int process(float** input, float** output, int frames) override {
        if (processing()) return processBlock(input, output, frames);
        // Pass-through covers exactly the channels this effect was built for: the blocks it is
        // given have that many, so it neither reads past them nor leaves any of them unwritten.
        copyChannels(input, output, channelCount(), frames);
        return frames;
    }
    int processBlock(float** input, float** output, int frames) override {
        for (int k = 0; k < channelCount(); ++k) {
            channels_[static_cast<std::size_t>(k)]->process(input + k, output + k, frames);
        }
        return frames;
    }

    int channelCount() const { return static_cast<int>(channels_.size()); }
    const Channel& channel(int k) const { return *channels_[static_cast<std::size_t>(k)]; }
    Channel& channel(int k) { return *channels_[static_cast<std::size_t>(k)]; }

  protected:
    // A count below 1 builds no channels; such an effect processes nothing.
    template <typename Make>
    PerChannelAudioEffectObject(int channels, Make make) {
        for (int c = 0; c < channels; ++c) channels_.push_back(make());
    }

  private:
    std::vector<std::unique_ptr<Channel>> channels_;
};

}  // namespace veltra
