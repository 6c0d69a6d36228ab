#include "effects/gain/GainAudioEffectObject.h"

namespace veltra {

GainAudioEffectObject::GainAudioEffectObject(int channels) {
    for (int c = 0; c < channels; ++c) {
        channelGains_.push_back(std::make_unique<InternalGainAudioEffectObject>());
    }
}

bool GainAudioEffectObject::init() {
    for (auto& gain : channelGains_) gain->init();
    return true;
}

void GainAudioEffectObject::release() {
    for (auto& gain : channelGains_) gain->release();
}

void GainAudioEffectObject::setParameters(const ParameterBlock& block) {
    DspAudioEffectObject::setParameters(block);
    for (auto& gain : channelGains_) gain->setParameters(block);
}

int GainAudioEffectObject::process(float** input, float** output, int frames) {
    if (enabled_ == 1) return processBlock(input, output, frames);
    // Pass-through covers exactly the channels this gain was built for: the blocks it is given
    // have that many, so it neither reads past them nor leaves any of them unwritten.
    copyChannels(input, output, channelCount(), frames);
    return frames;
}

int GainAudioEffectObject::processBlock(float** input, float** output, int frames) {
    for (int k = 0; k < channelCount(); ++k) {
        channelGains_[static_cast<std::size_t>(k)]->process(input + k, output + k, frames);
    }
    return frames;
}

}  // namespace veltra
