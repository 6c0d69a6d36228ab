#pragma once

#include <array>
#include <cmath>

#include "effects/surround/StereoWidener.h"

namespace veltra::reference {

// The widener's per-sample loop as first written: gains from the preset values on every call,
// filters stepped in place. The optimised widener must match it bit for bit.
inline void widener(std::array<FourthOrderFilter, 5>& f, const float* values, float* left,
                    float* right, int frames) {
    if (values[0] != 0.0f) return;
    auto gain = [](float dB) {
        return static_cast<float>(std::pow(10.0, static_cast<double>(dB) / 20.0));
    };
    const float s = static_cast<float>(std::pow(10.0, -1.175));
    const float g0 = gain(values[2]), g1 = gain(values[3]), g2 = gain(values[4]);
    const float g3 = gain(values[5]), g4 = gain(values[6]);
    const double root10 = std::sqrt(10.0);
    const float g1s = g1 * s;
    for (int n = 0; n < frames; ++n) {
        const float l = left[n], r = right[n];
        const float m1 = f[0].step(s * l + s * r);
        const float h1 = f[1].step(s * l - s * r);
        const float s1 = f[2].step(static_cast<float>(g0 * root10 * h1));
        const float m2 = g1s * l + g1s * r;
        const float h2 = f[3].step(g1s * l - g1s * r);
        const float s2 = f[4].step(static_cast<float>(g2 * root10 * h2));
        left[n] = ((s2 + m2) * g3 + (s1 + m1)) * 10.0f * g4;
        right[n] = ((m2 - s2) * g3 + (m1 - s1)) * 10.0f * g4;
    }
}

}  // namespace veltra::reference
