#include "effects/eq/EqAudioEffectObject.h"

#include <array>
#include <bit>

#include "chain/ParameterBlock.h"

namespace veltra {

EqAudioEffectObject::EqAudioEffectObject(int channels, std::uint32_t sampleRate)
    : bank_(std::make_unique<EqFilterBank>(channels, static_cast<int>(sampleRate))) {
    inputChannels_ = channels;
    outputChannels_ = channels;
    sampleRate_ = sampleRate;
}

bool EqAudioEffectObject::init() {
    if (bank_) bank_->clearState();
    return true;
}

void EqAudioEffectObject::setParameters(const ParameterBlock& block) {
    DspAudioEffectObject::setParameters(block);
    if (!bank_) return;
    std::array<float, EqFilterBank::kBands * EqFilterBank::kParametersPerBand> values{};
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = block.floatAt(i);
    bank_->setBandParameters(values.data());
}

int EqAudioEffectObject::processBlock(float** input, float** output, int frames) {
    if (!bank_ || frames <= 0) return frames;
    bank_->process(input, output, frames);
    // Channels beyond the bank's sixteen are not filtered but still carried through.
    copyChannels(input + bank_->channelCount, output + bank_->channelCount,
                 inputChannels_ - bank_->channelCount, frames);
    return frames;
}

}  // namespace veltra
