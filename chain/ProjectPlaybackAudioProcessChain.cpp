#include "chain/ProjectPlaybackAudioProcessChain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "chain/ParameterMessage.h"
#include "effects/DspAudioEffectObject.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "effects/kernels/FiniteCheck.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"

namespace veltra {

namespace {

constexpr const char* kSurroundGroup[] = {"Halvorn_Surround", "PostEQ2", "Limiter2"};

std::unique_ptr<AudioEffectObject> createEffect(std::int32_t type, int channels,
                                                std::uint32_t sampleRate) {
    switch (type) {
        case kEffectTypeGain:
            return std::make_unique<GainAudioEffectObject>(channels);
        case kEffectTypeEqualizer:
            return std::make_unique<EqAudioEffectObject>(channels, sampleRate);
        case kEffectTypeLimiter:
            return std::make_unique<LimiterAudioEffectObject>(channels, sampleRate);
        case kEffectTypeSurround:
            return std::make_unique<HalvornSurroundAudioEffectObject>(sampleRate, channels);
        default:
            return nullptr;
    }
}

void copyBlock(float** from, float** to, int channels, int frames) {
    for (int c = 0; c < channels; ++c) {
        if (from[c] != to[c])
            std::memmove(to[c], from[c], static_cast<std::size_t>(frames) * sizeof(float));
    }
}

}  // namespace

bool ProjectPlaybackAudioProcessChain::init(const std::uint32_t* configuration) {
    const bool ok = PlaybackAudioProcessChain::init(configuration);
    // A count no endpoint has runs one block a call rather than reserve memory for it.
    const auto channels = static_cast<std::size_t>(channels_ <= kMostRunChannels ? channels_ : 0);
    const std::size_t frames = std::size_t{blockSize()} * kBlocksPerCall;
    // Every stage writes its output before the next reads it, so the run buffer needs no clearing.
    run_ = std::make_unique_for_overwrite<float[]>(channels * frames);
    runFrames_ = channels != 0 ? frames : 0;
    runChannels_.resize(channels);
    for (std::size_t c = 0; c < channels; ++c) runChannels_[c] = run_.get() + c * frames;
    inputAt_.resize(channels);
    outputAt_.resize(channels);
    crossfade_.prepare(channels_, static_cast<int>(std::max<std::size_t>(runFrames_, blockSize())),
                       sampleRate_);
    return ok;
}

void ProjectPlaybackAudioProcessChain::release() {
    run_.reset();
    runFrames_ = 0;
    runChannels_ = {};
    inputAt_ = {};
    outputAt_ = {};
    crossfade_.clear();
    slots_.clear();
    stages_.clear();
    surroundGroup_.clear();
    stageOrder_.clear();
    PlaybackAudioProcessChain::release();
}

std::int32_t ProjectPlaybackAudioProcessChain::handleSetParameter(const ParameterMessage& message) {
    if (message.identifier == kEnhancementMessage && message.record != nullptr) {
        pendingSurroundState_ = message.record[1];
        groupSwitchPending_ = true;
        fade_.start();
    }
    return 0;
}

void ProjectPlaybackAudioProcessChain::applyParameters(const ParameterList& blocks) {
    const std::lock_guard<std::mutex> guard(lock());
    for (auto& entry : mutableEffects()) {
        if (entry.second) entry.second->release();
        entry.second.reset();
    }
    mutableEffects().clear();
    stageOrder_.clear();
    stages_.clear();
    slots_.clear();
    crossfade_.clear();
    const auto build = [this](const ParameterBlock& block) {
        std::unique_ptr<AudioEffectObject> effect =
            createEffect(block.effectType, channels_, sampleRate_);
        if (effect != nullptr) {
            effect->init();
            effect->setName(block.name.c_str());
            effect->setParameters(block);
        }
        return effect;
    };
    for (const auto& block : blocks) {
        if (!block) continue;
        std::unique_ptr<AudioEffectObject> effect = build(*block);
        if (effect == nullptr) continue;
        setEffect(block->name, std::move(effect));
        stageOrder_.push_back(block->name);
        std::unique_ptr<AudioEffectObject> twin = build(*block);
        crossfade_.addStage(std::unique_ptr<DspAudioEffectObject>(
                                static_cast<DspAudioEffectObject*>(twin.release())),
                            *block);
    }
    for (const auto& name : stageOrder_) {
        auto& slot = mutableEffects().find(name)->second;
        slots_.push_back(&slot);
        stages_.push_back(static_cast<DspAudioEffectObject*>(slot.get()));
    }
    surroundGroup_.clear();
    groupTunedOn_.clear();
    for (const char* name : kSurroundGroup) {
        if (auto* stage = dynamic_cast<DspAudioEffectObject*>(findEffect(name))) {
            surroundGroup_.push_back(stage);
            groupTunedOn_.push_back(stage->processing());
        }
    }
}

bool ProjectPlaybackAudioProcessChain::retune(const ParameterList& blocks, Retune how) {
    const std::lock_guard<std::mutex> guard(lock());
    if (blocks.size() != stageOrder_.size()) return false;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!blocks[i] || blocks[i]->name != stageOrder_[i]) return false;
    }
    if (how == Retune::kAtOnce) {
        if (crossfade_.active()) endGlide();
        restartStages(blocks);
        return true;
    }
    if (crossfade_.active()) return false;
    if (crossfade_.begin(blocks) == 0) return true;
    // A twin in the surround group follows the enhancement switch as the stage does.
    for (std::size_t i = 0; i < stages_.size(); ++i) {
        if (!crossfade_.gliding(i)) continue;
        for (std::size_t g = 0; g < surroundGroup_.size(); ++g) {
            if (surroundGroup_[g] == stages_[i])
                crossfade_.twin(i).setEnabled(groupOn_ && blocks[i]->enabled == 1);
        }
    }
    return true;
}

void ProjectPlaybackAudioProcessChain::restartStages(const ParameterList& blocks) {
    for (std::size_t i = 0; i < stages_.size(); ++i) {
        stages_[i]->restart(*blocks[i]);
        crossfade_.recordValues(i, *blocks[i]);
    }
    for (std::size_t g = 0; g < surroundGroup_.size(); ++g) {
        for (std::size_t i = 0; i < stages_.size(); ++i) {
            if (stages_[i] == surroundGroup_[g]) groupTunedOn_[g] = blocks[i]->enabled == 1;
        }
    }
    enableSurroundGroup();
}

// Each gliding stage and its twin trade places; the group keeps its switch state and what the
// new stage's block says of it.
void ProjectPlaybackAudioProcessChain::endGlide() {
    for (std::size_t i = 0; i < stages_.size(); ++i) {
        if (!crossfade_.gliding(i)) continue;
        DspAudioEffectObject* old = stages_[i];
        std::unique_ptr<DspAudioEffectObject>& twin = crossfade_.twinSlot(i);
        DspAudioEffectObject* next = twin.release();
        twin.reset(static_cast<DspAudioEffectObject*>(slots_[i]->release()));
        slots_[i]->reset(next);
        stages_[i] = next;
        for (std::size_t g = 0; g < surroundGroup_.size(); ++g) {
            if (surroundGroup_[g] != old) continue;
            surroundGroup_[g] = next;
            groupTunedOn_[g] = crossfade_.runsEnabled(i);
        }
    }
    crossfade_.end();
}

void ProjectPlaybackAudioProcessChain::enableSurroundGroup() {
    for (std::size_t g = 0; g < surroundGroup_.size(); ++g)
        surroundGroup_[g]->setEnabled(groupOn_ && groupTunedOn_[g]);
}

// The output is silent here, so a glide that is still under way may as well end at once.
void ProjectPlaybackAudioProcessChain::atSilence() {
    if (groupSwitchPending_) {
        groupOn_ = pendingSurroundState_ != 0;
        groupSwitchPending_ = false;
    }
    if (crossfade_.active()) endGlide();
    enableSurroundGroup();
}

void ProjectPlaybackAudioProcessChain::processBlock(float** input, float** output, int frames) {
    if (frames <= 0) return;
    const int block = static_cast<int>(blockSize());
    if (stages_.empty()) {
        copyBlock(input, output, channels_, frames);
        return;
    }
    if (frames <= block || inputAt_.size() != static_cast<std::size_t>(channels_)) {
        processOneBlock(input, output, frames);
        return;
    }
    // Every stage takes the whole run at once, which gives each block the samples it would have
    // had on its own, unless something happens at a block's end: a fade that switches stages at
    // silence, or an output that is not finite (handled below).
    const bool asOneRun = fade_.rate() == 0.0f && static_cast<std::size_t>(frames) <= runFrames_;
    if (asOneRun) {
        processRun(input, output, frames);
    } else {
        processBlocksFrom(input, output, 0, frames);
    }
}

// The first stage reads the input and writes the output; after that the signal moves between the
// output and `spare`, each stage reading one and writing the other. A stage that is switched off
// would only copy, so it is passed over. Returns where the last stage wrote.
float** ProjectPlaybackAudioProcessChain::runStages(float** input, float** output, float** spare,
                                                    int frames) {
    float** from = input;
    float** to = output;
    crossfade_.weigh(frames);
    for (std::size_t i = 0; i < stages_.size(); ++i) {
        DspAudioEffectObject* stage = stages_[i];
        const bool gliding = crossfade_.gliding(i);
        if (!gliding && !stage->processing()) continue;
        stage->process(from, to, frames);
        if (gliding) crossfade_.mix(i, from, to, frames);
        from = to;
        to = to == output ? spare : output;
    }
    if (crossfade_.advance(frames)) endGlide();
    return from;
}

void ProjectPlaybackAudioProcessChain::processOneBlock(float** input, float** output, int frames) {
    // One block may use its input as the spare buffer.
    float** from = runStages(input, output, input, frames);
    fade_.apply(from, output, channels_, frames, sampleRate_, [this] { atSilence(); });
    recoverFromNonFiniteOutput(output, frames);
}

// Blocks from frame `from` on, one call each.
void ProjectPlaybackAudioProcessChain::processBlocksFrom(float** input, float** output, int from,
                                                         int frames) {
    const int block = static_cast<int>(blockSize());
    for (int at = from; at < frames; at += block) {
        for (std::size_t c = 0; c < inputAt_.size(); ++c) {
            inputAt_[c] = input[c] + at;
            outputAt_[c] = output[c] + at;
        }
        processOneBlock(inputAt_.data(), outputAt_.data(), std::min(block, frames - at));
    }
}

// The stages over the whole run between the output and the run buffer, so the input is still
// there if a block's output turns out not to be finite: that block goes out silent, every stage
// forgets its state, and the blocks after it are run again from their input, as they would
// have been one call at a time.
void ProjectPlaybackAudioProcessChain::processRun(float** input, float** output, int frames) {
    float** from = runStages(input, output, runChannels_.data(), frames);
    // No fade is running (see processBlock), so none can reach silence here.
    fade_.apply(from, output, channels_, frames, sampleRate_, [] {});
    const int block = static_cast<int>(blockSize());
    for (int at = 0; at < frames; at += block) {
        for (std::size_t c = 0; c < outputAt_.size(); ++c) outputAt_[c] = output[c] + at;
        if (recoverFromNonFiniteOutput(outputAt_.data(), std::min(block, frames - at))) {
            processBlocksFrom(input, output, at + block, frames);
            return;
        }
    }
}

int ProjectPlaybackAudioProcessChain::latencyFrames() const {
    int frames = 0;
    for (const DspAudioEffectObject* stage : stages_) frames += stage->latencyFrames();
    return frames;
}

// A NaN or infinity that reached the output has poisoned some stage's recursion and would keep
// the stream silent or screaming for good. The block goes out as silence instead and every stage
// forgets its state, so the next block of clean input comes out clean.
bool ProjectPlaybackAudioProcessChain::recoverFromNonFiniteOutput(float** output, int frames) {
    bool finite = true;
    for (int c = 0; c < channels_; ++c) finite = finite && kernels::allFinite(output[c], frames);
    if (finite) return false;
    for (int c = 0; c < channels_; ++c) std::fill(output[c], output[c] + frames, 0.0f);
    if (crossfade_.active()) endGlide();
    for (DspAudioEffectObject* stage : stages_) stage->clearState();
    return true;
}

}  // namespace veltra
