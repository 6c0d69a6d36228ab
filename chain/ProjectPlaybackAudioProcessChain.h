#pragma once

#include <memory>
#include <string>
#include <vector>

#include "chain/OutputFade.h"
#include "chain/PlaybackAudioProcessChain.h"
#include "chain/StageCrossfade.h"
#include "effects/DspAudioEffectObject.h"

namespace veltra {

// The speaker chain: rebuilds its stages from the provider's list, runs them in list order and
// applies the output fade that hides the switching of the surround group.
class ProjectPlaybackAudioProcessChain final : public PlaybackAudioProcessChain {
  public:
    // Blocks one call may carry: a 10 ms host buffer at 48 kHz is seven or eight.
    static constexpr int kBlocksPerCall = 8;
    // Channels a call of several blocks is made for; more (the engine takes 64) run one block a
    // call.
    static constexpr int kMostRunChannels = 64;

    using PlaybackAudioProcessChain::PlaybackAudioProcessChain;
    ~ProjectPlaybackAudioProcessChain() override = default;

    // Also makes the buffers a call of several blocks runs through.
    bool init(const std::uint32_t* configuration) override;
    // Forgets the resolved stage pointers together with the stages.
    void release() override;
    int blocksPerCall() const override { return runChannels_.empty() ? 1 : kBlocksPerCall; }
    std::int32_t handleSetParameter(const ParameterMessage& message) override;
    void applyParameters(const ParameterList& blocks) override;
    std::int32_t handleGetParameter(const ParameterMessage& /*message*/) override { return 0; }
    void afterParametersApplied() override {}
    // `frames` are consecutive blocks of blockSize() (the last may be shorter); each comes out as
    // it would have in a call of its own.
    void processBlock(float** input, float** output, int frames) override;
    int latencyFrames() const override;

    // New settings for the stages the chain has, taken in place without allocating, so that it
    // can happen while the chain runs: `blocks` must name the chain's stages in its order (else
    // false and nothing changes). Gliding, only the stages whose values changed move to them, by
    // a crossfade with their twins (see StageCrossfade), and the rest play on; refused (false)
    // while an earlier glide runs. At once, every stage restarts from its block. `blocks` is read
    // only during the call.
    enum class Retune { kAtOnce, kGlide };
    bool retune(const ParameterList& blocks, Retune how);
    bool retunePending() const { return crossfade_.active(); }

    const std::vector<std::string>& stageOrder() const { return stageOrder_; }
    float fadeGain() const { return fade_.gain(); }
    float fadeRate() const { return fade_.rate(); }

  private:
    void atSilence();
    void restartStages(const ParameterList& blocks);
    void endGlide();
    void enableSurroundGroup();
    float** runStages(float** input, float** output, float** spare, int frames);
    void processOneBlock(float** input, float** output, int frames);
    void processRun(float** input, float** output, int frames);
    void processBlocksFrom(float** input, float** output, int from, int frames);
    bool recoverFromNonFiniteOutput(float** output, int frames);

    std::vector<std::string> stageOrder_;
    std::vector<DspAudioEffectObject*> stages_;  // stageOrder_ resolved once per rebuild
    // The surround group, resolved at rebuild: looking names up on the audio thread would build
    // strings, and "Halvorn_Surround" is too long for the small-string buffer.
    std::vector<DspAudioEffectObject*> surroundGroup_;
    // A group stage runs only while the switch is on and its own block enables it.
    std::vector<bool> groupTunedOn_;
    std::uint32_t pendingSurroundState_ = 0;
    bool groupSwitchPending_ = false;
    bool groupOn_ = true;  // as the blocks say until the first switch
    OutputFade fade_;
    StageCrossfade crossfade_;
    // Where the effect map keeps each stage, so that a stage and its twin trade places there.
    std::vector<std::unique_ptr<AudioEffectObject>*> slots_;
    // A run's intermediate signal, so that its input stays as it came in; and per-channel
    // pointers into a run, made at init so the audio thread never allocates them.
    std::unique_ptr<float[]> run_;
    std::size_t runFrames_ = 0;
    std::vector<float*> runChannels_, inputAt_, outputAt_;
};

}  // namespace veltra
