#pragma once

#include <string>
#include <vector>

#include "chain/PlaybackAudioProcessChain.h"

namespace veltra {

// The speaker chain: rebuilds its stages from the provider's list, runs them in list order and
// applies the output fade that hides the switching of the surround group.
class ProjectPlaybackAudioProcessChain final : public PlaybackAudioProcessChain {
  public:
    static constexpr std::uint32_t kEnableMessage = 10003;

    using PlaybackAudioProcessChain::PlaybackAudioProcessChain;
    ~ProjectPlaybackAudioProcessChain() override = default;

    std::int32_t handleSetParameter(const ParameterMessage& message) override;
    void applyParameters(const ParameterList& blocks) override;
    std::int32_t handleGetParameter(const ParameterMessage& /*message*/) override { return 0; }
    void afterParametersApplied() override {}
    void processBlock(float** input, float** output, int frames) override;

    const std::vector<std::string>& stageOrder() const { return stageOrder_; }
    float fadeGain() const { return fadeGain_; }
    float fadeRate() const { return fadeRate_; }

  private:
    void switchSurroundGroup();

    std::vector<std::string> stageOrder_;
    std::vector<AudioEffectObject*> stages_;  // stageOrder_ resolved once per rebuild
    std::uint32_t pendingSurroundState_ = 0;
    float fadeRate_ = 0.0f;
    float fadeGain_ = 1.0f;
};

}  // namespace veltra
