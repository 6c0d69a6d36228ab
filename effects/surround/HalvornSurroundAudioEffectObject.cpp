#include "effects/surround/HalvornSurroundAudioEffectObject.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "chain/BlockLayout.h"
#include "chain/ParameterBlock.h"

namespace veltra {

HalvornSurroundAudioEffectObject::HalvornSurroundAudioEffectObject(std::uint32_t sampleRate,
                                                                   int channels) {
    sampleRate_ = sampleRate;
    // The pass-through copy of a disabled stage then covers exactly the channels it is given.
    inputChannels_ = std::max(channels, 0);
    outputChannels_ = std::max(channels, 0);
}

bool HalvornSurroundAudioEffectObject::init() {
    const int rate = sampleRate_ <= static_cast<std::uint32_t>(std::numeric_limits<int>::max())
                         ? static_cast<int>(sampleRate_)
                         : 0;
    kernel_ = std::make_unique<SurroundKernel>(rate);
    return true;
}

void HalvornSurroundAudioEffectObject::setParameters(const ParameterBlock& block) {
    DspAudioEffectObject::setParameters(block);
    if (!kernel_) return;
    SurroundKernel& k = *kernel_;
    k.bypass = block.enabled == 0 ? 1 : 0;
    if (block.enabled == 0) return;

    const auto preset = static_cast<std::int32_t>(block.payload[block::kSurroundPreset]);
    if (preset != k.presetNumber) k.loadPreset(std::min(preset & 15, 4));
    const auto intensity = static_cast<std::int32_t>(block.payload[block::kSurroundIntensity]);
    if (intensity != k.intensity) k.setIntensity(intensity);
    if (preset == -1) {
        static_assert(block::kSurroundLimiter - block::kSurroundCustomRow ==
                      SurroundKernel::kPresetRow);
        float row[SurroundKernel::kPresetRow];
        for (std::size_t i = 0; i < SurroundKernel::kPresetRow; ++i)
            row[i] = block.floatAt(block::kSurroundCustomRow + i);
        k.loadCustom(row);
    }
    static_assert(block::kSurroundEnd - block::kSurroundLimiter ==
                  SurroundLimiter::kParameterCount);
    float limiter[SurroundLimiter::kParameterCount];
    for (std::size_t i = 0; i < SurroundLimiter::kParameterCount; ++i)
        limiter[i] = block.floatAt(block::kSurroundLimiter + i);
    k.limiter.setParameters(limiter);
}

void HalvornSurroundAudioEffectObject::restart(const ParameterBlock& block) {
    if (kernel_)
        kernel_->restart();
    else
        init();
    setParameters(block);
}

int HalvornSurroundAudioEffectObject::activeLatencyFrames() const {
    if (!kernel_ || kernel_->bypass != 0) return 0;
    // The ring is read q7 frames behind where it is written.
    return static_cast<int>(kernel_->limiter.parameters()[7]);
}

int HalvornSurroundAudioEffectObject::processBlock(float** input, float** output, int frames) {
    if (!kernel_ || frames <= 0 || inputChannels_ < 1) return frames;
    // Longer blocks than the work buffers are run in pieces rather than overrunning them.
    const auto run = [&](const float* left, const float* right, float* outRight, bool advance) {
        for (int done = 0; done < frames; done += SurroundKernel::kWorkFrames) {
            const int n = std::min(frames - done, SurroundKernel::kWorkFrames);
            kernel_->process(left + done, right + done, output[0] + done,
                             outRight + (advance ? done : 0), n);
        }
    };
    if (inputChannels_ >= 2) {
        run(input[0], input[1], output[1], true);
    } else {
        // A mono stage's right output goes nowhere. Only this case pays for clearing it: 4 KiB
        // per block is about a hundredth of the stereo path.
        float discard[SurroundKernel::kWorkFrames] = {};
        run(input[0], input[0], discard, false);
    }
    if (inputChannels_ > 2) copyChannels(input + 2, output + 2, inputChannels_ - 2, frames);
    return frames;
}

}  // namespace veltra
