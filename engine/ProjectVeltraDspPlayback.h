#pragma once

#include "engine/VeltraDspPlayback.h"

namespace veltra {

// The speaker engine the processing object creates: float streams, the playback chain.
class ProjectVeltraDspPlayback final : public VeltraDspPlayback {
  public:
    ProjectVeltraDspPlayback() { sampleFormat_ = 2; }
    ~ProjectVeltraDspPlayback() override = default;

    std::unique_ptr<AudioProcessChain> createProcessChain() override;
    std::unique_ptr<AudioBuffer> createInputBuffer() override;
    std::unique_ptr<AudioBuffer> createOutputBuffer() override;
};

}  // namespace veltra
