#pragma once

#include <cmath>

#include "effects/surround/SurroundLimiter.h"

namespace veltra::reference {

// The widener's limiter, one sample of one channel, as first written: the level is the double
// product of magnitude, pre-gain and gain on every sample, whatever the pre-gain. Steps the
// channel's state in place.
inline float surroundLimiterStep(SurroundLimiter::Channel& c, float x) {
    const float level =
        static_cast<float>(static_cast<double>(std::fabs(x)) * static_cast<double>(c.preGain) *
                           static_cast<double>(c.gain));
    if (level > c.threshold) {
        const float d = 1.0f - (level - c.threshold);
        c.gain = d > c.attack ? c.gain * d : c.gain * c.attack;
        c.holdCounter = static_cast<int>(c.holdLength);
    } else if (c.holdCounter == 0) {
        const float open = 1.0f - c.gain;
        c.gain = 1.0f - ((1.0f - c.release) * open * (level * c.inverseFloor) + open * c.release);
    } else {
        --c.holdCounter;
    }
    c.ring[c.writePosition] = x;
    const float delayed = c.ring[c.readPosition];
    c.writePosition = (c.writePosition + 1) % SurroundLimiter::kRingLength;
    c.readPosition = (c.readPosition + 1) % SurroundLimiter::kRingLength;
    const float y = c.gain * c.preGain + 1.930237f * c.y1 - 0.9318404f * c.y2;
    const float out = delayed * 0.0016031598f * c.y1;
    c.y2 = c.y1;
    c.y1 = y;
    return out;
}

}  // namespace veltra::reference
