#pragma once

#include "effects/DspAudioEffectObject.h"

namespace veltra {

// One-channel fixed gain. It overrides process itself, so its own enabled flag has no effect; the
// owning multichannel gain decides whether it runs.
class InternalGainAudioEffectObject final : public DspAudioEffectObject {
  public:
    bool init() override;
    int process(float** input, float** output, int frames) override;
    void release() override {}
    void setParameters(const ParameterBlock& block) override;

    float linearGain() const { return linearGain_; }

  private:
    float linearGain_ = 1.0f;
};

}  // namespace veltra
