#include "chain/AudioProcessChainProvider.h"

namespace veltra {

AudioProcessChainProvider::~AudioProcessChainProvider() {
    AudioProcessChainProvider::clearParameters();
}

void AudioProcessChainProvider::attach(AudioProcessChainProviderCallback* callback) {
    callback_ = callback;
}

void AudioProcessChainProvider::clearParameters() {
    parameters_.clear();
}

void AudioProcessChainProvider::notify() {
    if (callback_ != nullptr) callback_->onParametersChanged();
}

}  // namespace veltra
