#pragma once

#include <cmath>

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {
// Included by every kernel file; internal linkage for the reason WidenerMix.h gives.
namespace {

// The gain smoother behind the widener's limiter: b / (1 - a1 z^-1 - a2 z^-2), unity gain at DC,
// the same at every rate.
constexpr float kSurroundSmoothA1 = 1.930237f;
constexpr float kSurroundSmoothA2 = 0.9318404f;
constexpr float kSurroundSmoothB = 0.0016031598f;

// One channel with its constants and running state in locals, so the recursion stays in
// registers; the delay line stays where it is. This is the law every table computes.
struct SurroundLimiterStep {
    explicit SurroundLimiterStep(SurroundLimiterChannel& c)
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

    ~SurroundLimiterStep() {
        channel.gain = gain;
        channel.holdCounter = holdCounter;
        channel.y1 = y1;
        channel.y2 = y2;
        channel.readPosition = readPosition;
        channel.writePosition = writePosition;
    }
    SurroundLimiterStep(const SurroundLimiterStep&) = delete;
    SurroundLimiterStep& operator=(const SurroundLimiterStep&) = delete;

    float operator()(float x) {
        // The magnitude times the pre-gain times the gain in double, rounded once to float. The
        // first product is exact in double, so the gain's own path from one sample to the next
        // is one multiply long.
        const float level =
            static_cast<float>(static_cast<double>(std::fabs(x)) * static_cast<double>(preGain) *
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
        if (++writePosition == SurroundLimiterChannel::kRingLength) writePosition = 0;
        if (++readPosition == SurroundLimiterChannel::kRingLength) readPosition = 0;
        const float y = gain * preGain + kSurroundSmoothA1 * y1 - kSurroundSmoothA2 * y2;
        const float out = delayed * kSurroundSmoothB * y1;
        y2 = y1;
        y1 = y;
        return out;
    }

    SurroundLimiterChannel& channel;
    const float preGain, threshold, attack, release, inverseFloor;
    const int holdLength;
    float gain;
    int holdCounter;
    float y1, y2;
    int readPosition, writePosition;
};

// The scalar table's KernelTable::surroundLimiter.
inline void surroundLimiterSteps(SurroundLimiterChannel* channels, int count,
                                 const float* const* input, float* const* output, int frames) {
    if (count == 2) {
        // Both channels in one loop: two independent recursions the processor can overlap.
        SurroundLimiterStep left(channels[0]), right(channels[1]);
        for (int n = 0; n < frames; ++n) {
            const float l = input[0][n], r = input[1][n];
            output[0][n] = left(l);
            output[1][n] = right(r);
        }
        return;
    }
    for (int ch = 0; ch < count; ++ch) {
        SurroundLimiterStep step(channels[ch]);
        for (int n = 0; n < frames; ++n) output[ch][n] = step(input[ch][n]);
    }
}

}  // namespace
}  // namespace veltra::kernels
