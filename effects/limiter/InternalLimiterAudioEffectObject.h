#pragma once

#include <memory>

#include "effects/DspAudioEffectObject.h"
#include "effects/limiter/LimiterKernel.h"

namespace veltra {

// Mono limiter over the first channel of the blocks it is given. It replaces process itself, so
// its own enabled flag is never consulted; the owning multichannel limiter decides.
class InternalLimiterAudioEffectObject final : public DspAudioEffectObject {
  public:
    explicit InternalLimiterAudioEffectObject(std::uint32_t sampleRate);

    bool init() override;
    int process(float** input, float** output, int frames) override;
    void release() override { kernel_.reset(); }
    void clearState() override {
        if (kernel_) kernel_->clearRunState();
    }
    void setParameters(const ParameterBlock& block) override;

    const LimiterKernel* kernel() const { return kernel_.get(); }
    LimiterKernel* kernel() { return kernel_.get(); }

  private:
    std::unique_ptr<LimiterKernel> kernel_;
};

}  // namespace veltra
