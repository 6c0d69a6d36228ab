#pragma once

#include "engine/VeltraDspCapture.h"

namespace veltra {

// The capture engine the microphone object creates: float streams, the capture chain.
class ProjectVeltraDspCapture final : public VeltraDspCapture {
  public:
    ProjectVeltraDspCapture() { sampleFormat_ = 2; }
    ~ProjectVeltraDspCapture() override = default;

    std::unique_ptr<AudioProcessChain> createProcessChain() override;
    std::unique_ptr<AudioBuffer> createReferenceBuffer() override;
    std::unique_ptr<AudioBuffer> createMicrophoneBuffer() override;
    std::unique_ptr<AudioBuffer> createOutputBuffer() override;
};

}  // namespace veltra
