#include "effects/surround/SurroundLimiter.h"

#include <algorithm>
#include <cmath>

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

// Fixed smoother: b / (1 - a1 z^-1 - a2 z^-2) with unity gain at DC, independent of the rate.
constexpr float kSmoothA1 = 1.930237f;
constexpr float kSmoothA2 = 0.9318404f;
constexpr float kSmoothB = 0.0016031598f;

}  // namespace

const float* SurroundLimiter::defaults() {
    return kDefaults;
}

SurroundLimiter::SurroundLimiter(int sampleRate)
    : sampleRate_(static_cast<float>(sampleRate > 0 ? sampleRate : 48000)) {
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

namespace {

// One channel with its constants and running state in locals, so the recursion stays in
// registers; the ring stays where it is.
struct Run {
    explicit Run(SurroundLimiter::Channel& c)
        : channel(c),
          preGain(c.preGain),
          threshold(c.threshold),
          attack(c.attack),
          release(c.release),
          inverseFloor(c.inverseFloor),
          holdLength(static_cast<int>(c.holdLength)),
          gain(c.gain),
          holdCounter(c.holdCounter),
          y1(c.y1),
          y2(c.y2),
          readPosition(c.readPosition),
          writePosition(c.writePosition) {}

    ~Run() {
        channel.gain = gain;
        channel.holdCounter = holdCounter;
        channel.y1 = y1;
        channel.y2 = y2;
        channel.readPosition = readPosition;
        channel.writePosition = writePosition;
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // With a pre-gain of exactly 1 the level is one float product: the double product of two
    // floats is exact, so rounding it to float gives what the float multiply gives (and flushing
    // treats both alike), while the gain's path from one sample to the next loses both
    // conversions.
    template <bool kUnitPreGain>
    float step(float x) {
        // The magnitude times the gain times the pre-gain, rounded once to float. Products of two
        // floats are exact in double, so taking the pre-gain first gives the same value while
        // the gain's own path from one sample to the next is one multiply shorter.
        const float level = kUnitPreGain ? std::fabs(x) * gain
                                         : static_cast<float>(static_cast<double>(std::fabs(x)) *
                                                              static_cast<double>(preGain) *
                                                              static_cast<double>(gain));
        if (level > threshold) {
            const float d = 1.0f - (level - threshold);
            gain = d > attack ? gain * d : gain * attack;
            holdCounter = holdLength;
        } else if (holdCounter == 0) {
            const float open = 1.0f - gain;
            gain = 1.0f - ((1.0f - release) * open * (level * inverseFloor) + open * release);
        } else {
            holdCounter = holdCounter > 1 ? holdCounter - 1 : 0;
        }
        channel.ring[writePosition] = x;
        const float delayed = channel.ring[readPosition];
        if (++writePosition == SurroundLimiter::kRingLength) writePosition = 0;
        if (++readPosition == SurroundLimiter::kRingLength) readPosition = 0;
        const float y = gain * preGain + kSmoothA1 * y1 - kSmoothA2 * y2;
        const float out = delayed * kSmoothB * y1;
        y2 = y1;
        y1 = y;
        return out;
    }

    SurroundLimiter::Channel& channel;
    const float preGain, threshold, attack, release, inverseFloor;
    const int holdLength;
    float gain;
    int holdCounter;
    float y1, y2;
    int readPosition, writePosition;
};

}  // namespace

void SurroundLimiter::process(const float* const* input, float* const* output, int channels,
                              int frames) {
    const int count = std::min(channels, kChannels);
    if (parameters_[0] == 1.0f) {
        for (int ch = 0; ch < count; ++ch) std::copy(input[ch], input[ch] + frames, output[ch]);
        return;
    }
    if (channels_[0].preGain == 1.0f && channels_[1].preGain == 1.0f) {
        run<true>(input, output, count, frames);
    } else {
        run<false>(input, output, count, frames);
    }
}

template <bool kUnitPreGain>
void SurroundLimiter::run(const float* const* input, float* const* output, int count, int frames) {
    if (count == kChannels) {
        // Both channels in one loop: two independent recursions the processor can overlap.
        Run left(channels_[0]), right(channels_[1]);
        for (int n = 0; n < frames; ++n) {
            const float l = input[0][n], r = input[1][n];
            output[0][n] = left.step<kUnitPreGain>(l);
            output[1][n] = right.step<kUnitPreGain>(r);
        }
        return;
    }
    for (int ch = 0; ch < count; ++ch) {
        Run one(channels_[ch]);
        for (int n = 0; n < frames; ++n) output[ch][n] = one.step<kUnitPreGain>(input[ch][n]);
    }
}

}  // namespace veltra
