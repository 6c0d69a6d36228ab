#pragma once

#include "chain/AudioProcessChainProviderCallback.h"
#include "chain/ParameterBlock.h"

namespace veltra {

// Holds the parameter blocks that describe a chain's stages and tells the chain when they are
// ready.
class AudioProcessChainProvider {
  public:
    AudioProcessChainProvider() = default;
    AudioProcessChainProvider(const AudioProcessChainProvider&) = delete;
    AudioProcessChainProvider& operator=(const AudioProcessChainProvider&) = delete;
    virtual ~AudioProcessChainProvider();

    virtual void attach(AudioProcessChainProviderCallback* callback);
    virtual void clearParameters();

    const ParameterList& parameters() const { return parameters_; }

  protected:
    void notify();
    ParameterList& mutableParameters() { return parameters_; }

  private:
    ParameterList parameters_;
    AudioProcessChainProviderCallback* callback_ = nullptr;
};

}  // namespace veltra
