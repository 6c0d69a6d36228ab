#include "effects/limiter/InternalLimiterAudioEffectObject.h"

#include <limits>

#include "chain/BlockLayout.h"
#include "chain/ParameterBlock.h"

namespace veltra {

InternalLimiterAudioEffectObject::InternalLimiterAudioEffectObject(std::uint32_t sampleRate) {
    sampleRate_ = sampleRate;
    const int rate = sampleRate <= static_cast<std::uint32_t>(std::numeric_limits<int>::max())
                         ? static_cast<int>(sampleRate)
                         : 0;
    kernel_ = std::make_unique<LimiterKernel>(rate, 0.0f);
}

bool InternalLimiterAudioEffectObject::init() {
    if (kernel_) kernel_->clearRunState();
    return true;
}

void InternalLimiterAudioEffectObject::setParameters(const ParameterBlock& block) {
    if (!kernel_) return;
    static_assert(LimiterKernel::kParameterCount == block::kLimiterWords);
    float values[LimiterKernel::kParameterCount];
    for (int i = 0; i < LimiterKernel::kParameterCount; ++i)
        values[i] = block.floatAt(block::kLimiterPassThrough + static_cast<std::size_t>(i));
    kernel_->setParameters(values);
}

int InternalLimiterAudioEffectObject::process(float** input, float** output, int frames) {
    if (kernel_ && frames > 0) kernel_->process(input[0], output[0], frames);
    return frames;
}

}  // namespace veltra
