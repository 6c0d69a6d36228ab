#pragma once

#include "chain/AudioProcessChainProvider.h"

namespace veltra {

// The microphone path has no stages: attaching only records the chain and never notifies it.
class CaptureAudioProcessChainProvider final : public AudioProcessChainProvider {
  public:
    void attach(AudioProcessChainProviderCallback* callback) override {
        AudioProcessChainProvider::attach(callback);
    }
};

}  // namespace veltra
