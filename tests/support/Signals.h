#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <random>
#include <vector>

namespace veltra::testing {

constexpr double kPi = 3.141592653589793;

// `n` samples of a sine at `hz`, over uniform noise of amplitude `hiss` when asked.
inline std::vector<float> tone(std::size_t n, double hz, double level, double rate = 48000,
                               float hiss = 0.0f, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = float(level * std::sin(2 * kPi * hz * double(i) / rate)) +
               (hiss != 0.0f ? hiss * noise(random) : 0.0f);
    return x;
}

// A tone at level 4 for the first third of every `period` samples and 0.05 otherwise: attack,
// hold and release all run in a limiter.
inline std::vector<float> bursts(std::size_t n, double hz, std::size_t period) {
    std::vector<float> x = tone(n, hz, 1.0);
    for (std::size_t i = 0; i < n; ++i) x[i] *= (i % period) < period / 3 ? 4.0f : 0.05f;
    return x;
}

inline std::vector<float> interleave(const std::vector<float>& left,
                                     const std::vector<float>& right) {
    std::vector<float> x(2 * left.size());
    for (std::size_t i = 0; i < left.size(); ++i) x[2 * i] = left[i], x[2 * i + 1] = right[i];
    return x;
}

inline double rms(const std::vector<float>& x, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}

// The response at `hz` of a stored section (b0, b1, b2, -a1, -a2 over a0 = 1), in double.
inline std::complex<double> response(const float* c, double hz, double rate) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / rate);
    return (double(c[0]) + double(c[1]) * z1 + double(c[2]) * z1 * z1) /
           (1.0 - double(c[3]) * z1 - double(c[4]) * z1 * z1);
}

}  // namespace veltra::testing
