#pragma once

#include "engine/VeltraDspPlayback.h"

namespace veltra {

// The speaker engine the processing object creates: float streams, the playback chain.
class ProjectVeltraDspPlayback final : public VeltraDspPlayback {
  public:
    // Runs `tuning` (copied) instead of the built-in list when it is not null.
    explicit ProjectVeltraDspPlayback(const ParameterList* tuning = nullptr) : tuning_(tuning) {
        sampleFormat_ = 2;
    }
    ~ProjectVeltraDspPlayback() override = default;

    std::unique_ptr<AudioProcessChain> createProcessChain() override;
    std::unique_ptr<AudioBuffer> createInputBuffer() override;
    std::unique_ptr<AudioBuffer> createOutputBuffer() override;

    // The chain's in-place retune and its state, under the engine lock.
    bool retune(const ParameterList& blocks, bool glide) override;
    bool retunePending() override;

  private:
    const ParameterList* tuning_;  // only read while the chain is built
};

}  // namespace veltra
