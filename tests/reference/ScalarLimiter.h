#pragma once

#include <algorithm>
#include <cmath>

#include "effects/limiter/LimiterKernel.h"
#include "effects/surround/SurroundLimiter.h"

namespace veltra::reference {

// The limiters' per-sample loops as first written: one channel, one sample at a time, state read
// from and written to the kernel. The optimised paths must match them bit for bit.
inline void limiter(LimiterKernel& k, const float* input, float* output, int frames) {
    if (k.dirty == 1) {
        k.dirty = 0;
        k.recompute();
    }
    if (k.mode == 1) {
        std::copy(input, input + frames, output);
        return;
    }
    const float T = k.threshold, U = k.holdFloor, r = 1.0f / U;
    for (int n = 0; n < frames; ++n) {
        const float x = input[n];
        const float level =
            static_cast<float>(static_cast<double>(std::fabs(x)) *
                               static_cast<double>(k.inputGain) * static_cast<double>(k.gain));
        if (level > T) {
            const float d = 1.0f - (level - T);
            k.gain = d > k.attackFactor ? k.gain * d : k.gain * k.attackFactor;
            k.holdCounter = k.holdLength;
        } else if (level > U) {
            k.holdCounter = k.holdLength;
        } else if (k.holdCounter != 0) {
            k.holdCounter = std::max(k.holdCounter - 1, 0);
        } else {
            k.gain =
                1.0f - (1.0f - k.gain) * (k.releaseFactor + (1.0f - k.releaseFactor) * level * r);
        }
        const float v = k.b0 * k.gain + k.s1;
        k.s1 = k.b1 * k.gain + k.s2 - k.a1 * v;
        k.s2 = k.b2 * k.gain - k.a2 * v;
        k.ring[k.writePosition] = x;
        const float delayed = k.ring[k.readPosition];
        output[n] = v * delayed * k.inputGain;
        if (++k.writePosition == k.ringLength) k.writePosition = 0;
        if (++k.readPosition == k.ringLength) k.readPosition = 0;
    }
}

inline void surroundLimiter(SurroundLimiter::Channel& c, const float* in, float* out, int frames) {
    constexpr float kA1 = 1.930237f, kA2 = 0.9318404f, kB = 0.0016031598f;
    for (int n = 0; n < frames; ++n) {
        const float x = in[n];
        const float level =
            static_cast<float>(static_cast<double>(std::fabs(x)) * static_cast<double>(c.gain) *
                               static_cast<double>(c.preGain));
        if (level > c.threshold) {
            const float d = 1.0f - (level - c.threshold);
            c.gain = d > c.attack ? c.gain * d : c.gain * c.attack;
            c.holdCounter = static_cast<int>(c.holdLength);
        } else if (c.holdCounter == 0) {
            const float open = 1.0f - c.gain;
            c.gain =
                1.0f - ((1.0f - c.release) * open * (level * c.inverseFloor) + open * c.release);
        } else {
            c.holdCounter = c.holdCounter > 1 ? c.holdCounter - 1 : 0;
        }
        c.ring[c.writePosition] = x;
        const float delayed = c.ring[c.readPosition];
        if (++c.writePosition == SurroundLimiter::kRingLength) c.writePosition = 0;
        if (++c.readPosition == SurroundLimiter::kRingLength) c.readPosition = 0;
        const float y = c.gain * c.preGain + kA1 * c.y1 - kA2 * c.y2;
        out[n] = delayed * kB * c.y1;
        c.y2 = c.y1;
        c.y1 = y;
    }
}

}  // namespace veltra::reference
