#pragma once

#include <vector>

namespace veltra::reference {

// The equaliser's cascade exactly as its definition reads: for every sample, all sixteen sections
// in order, each in transposed direct form II on the stored coefficients b0, b1, b2, c3 = -a1, c4 =
// -a2, single precision, no shortcut of any kind. The optimised filter bank must match it bit for
// bit.
struct ScalarEq {
    explicit ScalarEq(int channels) : state(std::size_t(channels) * 32, 0.0f) {}

    void process(const float* coefficients, std::vector<float>& channel, int c) {
        float* s = &state[std::size_t(c) * 32];
        for (float& sample : channel) {
            float x = sample;
            for (int b = 0; b < 16; ++b) {
                const float* k = coefficients + 5 * b;
                const float y = k[0] * x + s[2 * b];
                const float old = s[2 * b];
                s[2 * b] = (k[1] + k[3] * k[0]) * x + s[2 * b + 1] + k[3] * old;
                s[2 * b + 1] = (k[2] + k[4] * k[0]) * x + k[4] * old;
                x = y;
            }
            sample = x;
        }
    }

    std::vector<float> state;
};

}  // namespace veltra::reference
