#pragma once

#include <memory>
#include <vector>

#include "effects/DspAudioEffectObject.h"
#include "effects/limiter/InternalLimiterAudioEffectObject.h"

namespace veltra {

// Multichannel limiter: one mono limiter per channel, same parameters, independent gain state
// (no channel linking).
class LimiterAudioEffectObject final : public DspAudioEffectObject {
  public:
    LimiterAudioEffectObject(int channels, std::uint32_t sampleRate);
    ~LimiterAudioEffectObject() override = default;

    bool init() override;
    void release() override;
    void setParameters(const ParameterBlock& block) override;
    int process(float** input, float** output, int frames) override;
    int processBlock(float** input, float** output, int frames) override;

    int channelCount() const { return static_cast<int>(channels_.size()); }
    const InternalLimiterAudioEffectObject& channel(int i) const {
        return *channels_[static_cast<std::size_t>(i)];
    }

  private:
    std::vector<std::unique_ptr<InternalLimiterAudioEffectObject>> channels_;
};

}  // namespace veltra
