#include "chain/ProjectPlaybackAudioProcessChain.h"

#include <cstring>

#include "effects/DspAudioEffectObject.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"

namespace veltra {

namespace {

// The fade runs at 10 per second: 100 ms down to silence, the switch, 100 ms back up.
constexpr float kFadeRate = 10.0f;
constexpr const char* kSurroundGroup[] = {"Halvorn_Surround", "PostEQ2", "Limiter2"};

std::unique_ptr<AudioEffectObject> createEffect(std::int32_t type, int channels,
                                                std::uint32_t sampleRate) {
    switch (type) {
        case kEffectTypeGain:
            return std::make_unique<GainAudioEffectObject>(channels);
        case kEffectTypeEqualizer:
            return std::make_unique<EqAudioEffectObject>(channels, sampleRate);
        case kEffectTypeLimiter:
            return std::make_unique<LimiterAudioEffectObject>(channels, sampleRate);
        case kEffectTypeSurround:
            return std::make_unique<HalvornSurroundAudioEffectObject>(sampleRate, channels);
        default:
            return nullptr;
    }
}

void copyBlock(float** from, float** to, int channels, int frames) {
    for (int c = 0; c < channels; ++c) {
        if (from[c] != to[c])
            std::memmove(to[c], from[c], static_cast<std::size_t>(frames) * sizeof(float));
    }
}

}  // namespace

void ProjectPlaybackAudioProcessChain::release() {
    stages_.clear();
    surroundGroup_.clear();
    stageOrder_.clear();
    PlaybackAudioProcessChain::release();
}

std::int32_t ProjectPlaybackAudioProcessChain::handleSetParameter(const ParameterMessage& message) {
    if (message.identifier == kEnableMessage && message.record != nullptr) {
        pendingSurroundState_ = message.record[1];
        fadeGain_ = 1.0f;
        fadeRate_ = -kFadeRate;
    }
    return 0;
}

void ProjectPlaybackAudioProcessChain::applyParameters(const ParameterList& blocks) {
    const std::lock_guard<std::mutex> guard(lock());
    for (auto& entry : mutableEffects()) {
        if (entry.second) entry.second->release();
        entry.second.reset();
    }
    mutableEffects().clear();
    stageOrder_.clear();
    stages_.clear();
    for (const auto& block : blocks) {
        if (!block) continue;
        if (auto effect = createEffect(block->effectType, channels_, sampleRate_)) {
            setEffect(block->name, std::move(effect));
        }
        AudioEffectObject* stage = findEffect(block->name);
        if (stage == nullptr) continue;
        stage->init();
        stage->setName(block->name.c_str());
        stage->setParameters(*block);
        stageOrder_.push_back(block->name);
    }
    for (const auto& name : stageOrder_) stages_.push_back(findEffect(name));
    surroundGroup_.clear();
    for (const char* name : kSurroundGroup) {
        if (auto* stage = dynamic_cast<DspAudioEffectObject*>(findEffect(name)))
            surroundGroup_.push_back(stage);
    }
}

void ProjectPlaybackAudioProcessChain::switchSurroundGroup() {
    for (DspAudioEffectObject* stage : surroundGroup_)
        stage->setEnabled(pendingSurroundState_ != 0);
}

void ProjectPlaybackAudioProcessChain::processBlock(float** input, float** output, int frames) {
    if (frames <= 0) return;
    if (stages_.empty()) {
        copyBlock(input, output, channels_, frames);
        return;
    }
    for (AudioEffectObject* stage : stages_) {
        stage->process(input, output, frames);
        copyBlock(output, input, channels_, frames);
    }
    // A rate of 0 would make the step infinite; such a chain fades as if it ran at 48000 Hz.
    const float step = 1.0f / static_cast<float>(sampleRate_ != 0 ? sampleRate_ : 48000u);
    for (int f = 0; f < frames; ++f) {
        if (fadeRate_ != 0.0f) {
            fadeGain_ = fadeGain_ + step * fadeRate_;
            if (fadeGain_ < 0.0f) {
                fadeGain_ = 0.0f;
                fadeRate_ = -fadeRate_;
                switchSurroundGroup();
            } else if (fadeGain_ > 1.0f) {
                fadeGain_ = 1.0f;
                fadeRate_ = 0.0f;
            }
        }
        for (int c = 0; c < channels_; ++c) output[c][f] = fadeGain_ * input[c][f];
    }
}

}  // namespace veltra
