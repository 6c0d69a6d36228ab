#pragma once

#include "chain/CaptureAudioProcessChain.h"

namespace veltra {

// The microphone chain: no stages. It passes the merged block through, times that work and writes a
// trace line every ten seconds of audio (ten times the sample rate in frames).
class ProjectCaptureAudioProcessChain final : public CaptureAudioProcessChain {
  public:
    static constexpr const char* kSection = "capture_chain_process";

    using CaptureAudioProcessChain::CaptureAudioProcessChain;
    ~ProjectCaptureAudioProcessChain() override = default;

    std::int32_t handleSetParameter(const ParameterMessage& /*message*/) override { return 0; }
    std::int32_t handleGetParameter(const ParameterMessage& /*message*/) override { return 0; }
    void afterParametersApplied() override {}
    void processBlock(float** input, float** output, int frames) override;

    std::int32_t processedSamples() const { return processedSamples_; }
    std::int64_t reportInterval() const;
};

}  // namespace veltra
