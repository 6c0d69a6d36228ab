#pragma once

#include <memory>

#include "effects/DspAudioEffectObject.h"
#include "effects/surround/SurroundKernel.h"

namespace veltra {

// Stereo widener with its own limiter. With one channel the single channel feeds both sides and
// receives the left output; with more than two, channels beyond the second pass through.
class HalvornSurroundAudioEffectObject final : public DspAudioEffectObject {
  public:
    explicit HalvornSurroundAudioEffectObject(std::uint32_t sampleRate, int channels = 2);
    ~HalvornSurroundAudioEffectObject() override = default;

    bool init() override;
    void release() override { kernel_.reset(); }
    void clearState() override {
        if (kernel_) kernel_->clearState();
    }
    void setParameters(const ParameterBlock& block) override;
    // The kernel goes back to its state after init() in place, then takes the block.
    void restart(const ParameterBlock& block) override;
    int processBlock(float** input, float** output, int frames) override;

    SurroundKernel* kernel() const { return kernel_.get(); }
    // The limiter's look-ahead, unless the preset bypasses widener and limiter.
    int activeLatencyFrames() const override;

  private:
    std::unique_ptr<SurroundKernel> kernel_;
};

}  // namespace veltra
