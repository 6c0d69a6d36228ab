#pragma once

#include <memory>
#include <vector>

#include "effects/DspAudioEffectObject.h"
#include "effects/gain/InternalGainAudioEffectObject.h"

namespace veltra {

// Multichannel gain: one internal gain per channel, all set from the same block.
class GainAudioEffectObject final : public DspAudioEffectObject {
  public:
    explicit GainAudioEffectObject(int channels);
    ~GainAudioEffectObject() override = default;

    bool init() override;
    void release() override;
    void setParameters(const ParameterBlock& block) override;
    int process(float** input, float** output, int frames) override;
    int processBlock(float** input, float** output, int frames) override;

    int channelCount() const { return static_cast<int>(channelGains_.size()); }

  private:
    std::vector<std::unique_ptr<InternalGainAudioEffectObject>> channelGains_;
};

}  // namespace veltra
