#include "chain/StageCrossfade.h"

#include <algorithm>
#include <cmath>

namespace veltra {

namespace {

long framesOf(double seconds, std::uint32_t sampleRate) {
    return std::max(1L, std::lround(seconds * (sampleRate != 0 ? sampleRate : 48000u)));
}

}  // namespace

void StageCrossfade::prepare(int channels, int frames, std::uint32_t sampleRate) {
    active_ = false;
    crossing_ = false;
    channels_ = std::max(channels, 0);
    frames_ = std::max(frames, 0);
    sampleRate_ = sampleRate;
    const auto perChannel = static_cast<std::size_t>(frames_);
    twinOutput_ = std::make_unique<float[]>(static_cast<std::size_t>(channels_) * perChannel);
    twinChannels_.resize(static_cast<std::size_t>(channels_));
    for (std::size_t c = 0; c < twinChannels_.size(); ++c)
        twinChannels_[c] = twinOutput_.get() + c * perChannel;
    weights_ = std::make_unique<float[]>(perChannel);
    cross_ = framesOf(kCrossSeconds, sampleRate_);
}

void StageCrossfade::clear() {
    for (auto& twin : twins_) {
        if (twin) twin->release();
    }
    twins_.clear();
    running_.clear();
    gliding_.clear();
    active_ = false;
    crossing_ = false;
}

StageCrossfade::Values StageCrossfade::valuesOf(const ParameterBlock& block) {
    Values values;
    values.enabled = block.enabled;
    const std::size_t words = block.payloadWords();
    std::copy_n(block.payload.begin(), words, values.payload.begin());
    return values;
}

void StageCrossfade::addStage(std::unique_ptr<DspAudioEffectObject> twin,
                              const ParameterBlock& block) {
    twins_.push_back(std::move(twin));
    running_.push_back(valuesOf(block));
    gliding_.push_back(0);
}

void StageCrossfade::recordValues(std::size_t stage, const ParameterBlock& block) {
    if (stage < running_.size()) running_[stage] = valuesOf(block);
}

int StageCrossfade::begin(const ParameterList& blocks) {
    if (active_ || blocks.size() != twins_.size()) return 0;
    int changed = 0;
    int lookAhead = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Values wanted = valuesOf(*blocks[i]);
        gliding_[i] = wanted == running_[i] ? 0 : 1;
        if (gliding_[i] == 0) continue;
        ++changed;
        running_[i] = wanted;
        twins_[i]->restart(*blocks[i]);
        lookAhead = std::max(lookAhead, twins_[i]->latencyFrames());
    }
    if (changed == 0) return 0;
    // The twin's first output is its empty delay line and its filters' start from rest: it is
    // heard only once both have passed.
    warmUp_ = lookAhead + framesOf(kWarmUpSeconds, sampleRate_);
    position_ = 0;
    active_ = true;
    return changed;
}

void StageCrossfade::weigh(int frames) {
    crossing_ = false;
    if (!active_) return;
    const float step = 1.0f / static_cast<float>(cross_);
    for (int f = 0; f < frames && f < frames_; ++f) {
        const long k = position_ + f - warmUp_;
        weights_[static_cast<std::size_t>(f)] = k <= 0        ? 0.0f
                                                : k >= cross_ ? 1.0f
                                                              : static_cast<float>(k) * step;
    }
    crossing_ = position_ + frames > warmUp_;
}

void StageCrossfade::mix(std::size_t stage, float** from, float** to, int frames) {
    frames = std::min(frames, frames_);
    DspAudioEffectObject& twin = *twins_[stage];
    const int channels = std::min(channels_, twin.outputChannels());
    twin.process(from, twinChannels_.data(), frames);
    if (!crossing_) return;
    for (int c = 0; c < channels; ++c) {
        float* out = to[c];
        const float* next = twinChannels_[static_cast<std::size_t>(c)];
        for (int f = 0; f < frames; ++f) {
            const float w = weights_[static_cast<std::size_t>(f)];
            // The ends of the crossing give each signal exactly, not through the mix arithmetic.
            out[f] = w == 0.0f ? out[f] : w == 1.0f ? next[f] : out[f] + (next[f] - out[f]) * w;
        }
    }
}

bool StageCrossfade::advance(int frames) {
    if (!active_) return false;
    position_ += frames;
    return position_ >= warmUp_ + cross_;
}

void StageCrossfade::end() {
    std::fill(gliding_.begin(), gliding_.end(), std::uint8_t{0});
    active_ = false;
    crossing_ = false;
}

}  // namespace veltra
