#pragma once

#include <memory>

#include "effects/DspAudioEffectObject.h"
#include "effects/eq/EqFilterBank.h"

namespace veltra {

// Parametric equaliser stage: 16 sections per channel, configured by payload words 0..63.
class EqAudioEffectObject final : public DspAudioEffectObject {
  public:
    EqAudioEffectObject(int channels, std::uint32_t sampleRate);
    ~EqAudioEffectObject() override = default;

    bool init() override;
    void release() override { bank_.reset(); }
    void clearState() override {
        if (bank_) bank_->clearState();
    }
    void setParameters(const ParameterBlock& block) override;
    int processBlock(float** input, float** output, int frames) override;

    const EqFilterBank* bank() const { return bank_.get(); }

  private:
    std::unique_ptr<EqFilterBank> bank_;
};

}  // namespace veltra
