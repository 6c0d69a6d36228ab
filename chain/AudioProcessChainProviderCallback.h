#pragma once

namespace veltra {

// Told by a provider that its parameter list is ready to be applied.
class AudioProcessChainProviderCallback {
  public:
    virtual void onParametersChanged() = 0;

  protected:
    ~AudioProcessChainProviderCallback() = default;
};

}  // namespace veltra
