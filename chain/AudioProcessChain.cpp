#include "chain/AudioProcessChain.h"

namespace veltra {

AudioProcessChain::AudioProcessChain(std::unique_ptr<AudioProcessChainProvider> provider)
    : provider_(std::move(provider)) {}

AudioProcessChain::~AudioProcessChain() {
    AudioProcessChain::release();
}

bool AudioProcessChain::init(const std::uint32_t* /*configuration*/) {
    for (auto& [name, effect] : effects_) {
        if (!effect) continue;
        effect->init();
        effect->setName(name.c_str());
    }
    if (provider_) provider_->attach(this);
    return true;
}

void AudioProcessChain::release() {
    for (auto& entry : effects_) {
        if (entry.second) entry.second->release();
        entry.second.reset();
    }
    effects_.clear();
    if (provider_) {
        provider_->clearParameters();
        provider_.reset();
    }
}

void AudioProcessChain::process(float** input, float** output, int frames) {
    const std::lock_guard<std::mutex> guard(lock_);
    processBlock(input, output, frames);
}

void AudioProcessChain::applyParameters(const ParameterList& blocks) {
    const std::lock_guard<std::mutex> guard(lock_);
    for (const auto& block : blocks) {
        if (!block) continue;
        const auto found = effects_.find(block->name);
        if (found != effects_.end() && found->second) found->second->setParameters(*block);
    }
}

void AudioProcessChain::onParametersChanged() {
    if (!provider_) return;
    applyParameters(provider_->parameters());
    afterParametersApplied();
}

void AudioProcessChain::setEffect(const std::string& name,
                                  std::unique_ptr<AudioEffectObject> effect) {
    effects_[name] = std::move(effect);
}

AudioEffectObject* AudioProcessChain::findEffect(const std::string& name) const {
    const auto found = effects_.find(name);
    return found != effects_.end() ? found->second.get() : nullptr;
}

}  // namespace veltra
