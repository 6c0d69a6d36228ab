#include "effects/limiter/LimiterAudioEffectObject.h"

namespace veltra {

LimiterAudioEffectObject::LimiterAudioEffectObject(int channels, std::uint32_t sampleRate) {
    for (int c = 0; c < channels; ++c) {
        channels_.push_back(std::make_unique<InternalLimiterAudioEffectObject>(sampleRate));
    }
}

bool LimiterAudioEffectObject::init() {
    for (auto& limiter : channels_) limiter->init();
    return true;
}

void LimiterAudioEffectObject::release() {
    for (auto& limiter : channels_) limiter->release();
}

void LimiterAudioEffectObject::setParameters(const ParameterBlock& block) {
    DspAudioEffectObject::setParameters(block);
    for (auto& limiter : channels_) limiter->setParameters(block);
}

int LimiterAudioEffectObject::process(float** input, float** output, int frames) {
    if (enabled_ == 1) return processBlock(input, output, frames);
    // Same rule as the gain: pass through exactly the channels this limiter was built for.
    copyChannels(input, output, channelCount(), frames);
    return frames;
}

int LimiterAudioEffectObject::processBlock(float** input, float** output, int frames) {
    for (int i = 0; i < channelCount(); ++i) {
        channels_[static_cast<std::size_t>(i)]->process(input + i, output + i, frames);
    }
    return frames;
}

}  // namespace veltra
