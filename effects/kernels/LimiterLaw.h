#pragma once

#include <cmath>
#include <cstdint>

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {
// Included by the limiter and by the kernel files; the unnamed namespace gives each its own copy,
// compiled for that file's instruction set, so an AVX2-compiled copy can never stand in for
// another file's.
namespace {

// A look-ahead limiter's level detector: the input's magnitude times the input gain and the
// current gain, in double, rounded once to float. The first product is exact in double and the
// gain comes last, so the gain's own chain from one sample to the next is one multiply long.
inline float limiterLevel(float x, float inputGain, float gain) {
    return static_cast<float>(static_cast<double>(std::fabs(x)) * static_cast<double>(inputGain) *
                              static_cast<double>(gain));
}

// The release law: the gain moves toward 1 by a factor that falls from 1 at the hold floor to the
// release factor at silence.
inline float limiterReleased(float gain, float releaseFactor, float inverseFloor, float level) {
    return 1.0f - (1.0f - gain) * (releaseFactor + (1.0f - releaseFactor) * level * inverseFloor);
}

// Whether a sample of this level leaves the gain exactly as it is, whatever the hold counter
// stands at: it does not attack, and it either holds or releases to the same gain.
inline bool limiterKeepsGain(const LimiterSettling& s, float level) {
    if (level > s.threshold) return false;
    return level > s.holdFloor ||
           limiterReleased(s.gain, s.releaseFactor, s.inverseFloor, level) == s.gain;
}

// Whether every sample with a magnitude in [low, high] leaves the gain as it is without reaching
// the hold floor. The level rises with the magnitude (both gains are positive), and the released
// gain moves one way only with the level: each of its steps is one rounded operation with one
// operand fixed for the whole test, and such a step never reverses direction, whichever sign
// the fixed operand has. So the two ends decide for everything between.
inline bool limiterKeepsGainBetween(const LimiterSettling& s, float low, float high) {
    const float top = limiterLevel(high, s.inputGain, s.gain);
    if (!(top <= s.threshold && top <= s.holdFloor)) return false;
    const float bottom = limiterLevel(low, s.inputGain, s.gain);
    return limiterReleased(s.gain, s.releaseFactor, s.inverseFloor, top) == s.gain &&
           limiterReleased(s.gain, s.releaseFactor, s.inverseFloor, bottom) == s.gain;
}

// The scalar form of KernelTable::limiterSettled from sample `from` on.
inline int limiterSettledFrom(const LimiterSettling& s, const float* x, int from, int count,
                              std::uint64_t& overFloor) {
    for (int i = from; i < count; ++i) {
        const float level = limiterLevel(x[i], s.inputGain, s.gain);
        if (!limiterKeepsGain(s, level)) return i;
        if (level > s.holdFloor) overFloor |= std::uint64_t{1} << i;
    }
    return count;
}

}  // namespace
}  // namespace veltra::kernels
