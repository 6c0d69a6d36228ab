#include "effects/surround/SurroundLimiter.h"

#include <algorithm>
#include <cmath>

#include "effects/kernels/KernelSelection.h"

namespace veltra {

namespace {

// Pass-through, pre-gain dB, threshold dB, attack ms, release ms, floor offset dB, hold ms,
// look-ahead samples. -0.848 dB sits the hold floor just under the -1 dB threshold.
constexpr float kDefaults[SurroundLimiter::kParameterCount] = {0.0f,   0.0f,    -1.0f, 0.5f,
                                                               500.0f, -0.848f, 0.0f,  131.0f};
constexpr float kMinimum[SurroundLimiter::kParameterCount] = {-1e30f, 0.0f,  -100.0f, 0.1f,
                                                              10.0f,  -1.0f, 0.0f,    0.0f};
constexpr float kMaximum[SurroundLimiter::kParameterCount] = {
    1e30f,   30.0f, 0.0f,  20.0f,
    2000.0f, 0.0f,  20.0f, static_cast<float>(SurroundLimiter::kRingLength - 1)};

}  // namespace

const float* SurroundLimiter::defaults() {
    return kDefaults;
}

SurroundLimiter::SurroundLimiter(int sampleRate)
    : sampleRate_(static_cast<float>(sampleRate > 0 ? sampleRate : 48000)),
      kernels_(&kernels::KernelSelection::active()) {
    setParameters(kDefaults);
}

void SurroundLimiter::setParameters(const float* values) {
    for (int i = 0; i < kParameterCount; ++i) {
        const float v = std::isfinite(values[i]) ? values[i] : kDefaults[i];
        parameters_[i] = std::clamp(v, kMinimum[i], kMaximum[i]);
    }
    for (Channel& c : channels_) prepare(c);
}

void SurroundLimiter::prepare(Channel& c) const {
    const float* q = parameters_;
    const float fs = sampleRate_;
    c = Channel{};
    c.preGain = std::pow(10.0f, q[1] * 0.05f);
    c.threshold = std::pow(10.0f, q[2] * 0.05f);
    c.attack = std::pow(10.0f, -1.0f / (q[3] * fs / 1000.0f));
    c.floor = std::pow(10.0f, (q[5] + q[2]) * 0.05f);
    c.holdLength = std::trunc(q[6] * fs / 1000.0f + 0.5f);
    c.release = std::exp(-1.0f / (q[4] * fs / 1000.0f));
    c.inverseFloor = 1.0f / c.floor;
    c.readPosition = 0;
    c.writePosition = static_cast<int>(q[7]);
}

void SurroundLimiter::process(const float* const* input, float* const* output, int channels,
                              int frames) {
    const int count = std::min(channels, kChannels);
    if (parameters_[0] == 1.0f) {
        for (int ch = 0; ch < count; ++ch) std::copy(input[ch], input[ch] + frames, output[ch]);
        return;
    }
    kernels_->surroundLimiter(channels_, count, input, output, frames);
}

}  // namespace veltra
