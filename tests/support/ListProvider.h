#pragma once

#include <utility>

#include "chain/AudioProcessChainProvider.h"

namespace veltra::support {

// A chain provider that hands its chain a given list of parameter blocks instead of the built-in
// defaults, for tests and fuzzing.
class ListProvider final : public AudioProcessChainProvider {
  public:
    explicit ListProvider(ParameterList list) : list_(std::move(list)) {}
    void attach(AudioProcessChainProviderCallback* callback) override {
        AudioProcessChainProvider::attach(callback);
        for (auto& block : list_) mutableParameters().push_back(std::move(block));
        notify();
    }

  private:
    ParameterList list_;
};

}  // namespace veltra::support
