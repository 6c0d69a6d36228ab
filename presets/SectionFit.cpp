#include "presets/SectionFit.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "effects/eq/EqFilterBank.h"

namespace veltra::presets {

namespace {

double powerGain(const double* b, const double* a, std::complex<double> z1) {
    return std::norm(b[0] + b[1] * z1 + b[2] * z1 * z1) /
           std::norm(a[0] + a[1] * z1 + a[2] * z1 * z1);
}

// The worst difference, in dB, between the section the equaliser designs from these stored
// values and the cookbook's (`power`, |H|^2 on the grid). A candidate is only of use if it beats
// `bound`, so the scan stops as soon as it cannot; starting at `peak`, where the last winner was
// worst, most losers are known after one point. `peak` follows the winners. The scan compares
// power ratios, max(r, 1/r), which order as their distances in dB do, and takes one logarithm at
// the end.
double worstError(const std::complex<double>* z1, const double* power, int points, int code,
                  float freq, float gain, float q, int rate, double bound, int& peak) {
    float c[5];
    EqFilterBank::designBand(freq, gain, q, code, rate, c);
    const double boundRatio = std::pow(10.0, bound / 10);
    double worst = 1;
    int worstAt = peak;
    for (int k = 0; k < points; ++k) {
        const int i = k == 0 ? peak : k <= peak ? k - 1 : k;
        const double r = EqFilterBank::powerGain(c, z1[i]) / power[i];
        const double e = r < 1 ? 1 / r : r;
        if (e > worst) worst = e, worstAt = i;
        if (worst >= boundRatio) return 10 * std::log10(worst);
    }
    peak = worstAt;
    return 10 * std::log10(worst);
}

}  // namespace

SectionFit::SectionFit(int rate) : rate_(rate) {
    const double top = 0.45 * rate;
    for (int i = 0; i < kPoints; ++i) {
        const double hz = 20.0 * std::pow(top / 20.0, i / double(kPoints - 1));
        z1_[i] = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
    }
}

void SectionFit::refine(int code, const double* target, double& gainDb, double& frequency,
                        double& quality, const Allowed& allowed) const {
    // The fixed grid, and around the section a dense one: a narrow bell far below a tenth of the
    // rate lies between the fixed points, and there the float coefficients stray most.
    std::vector<std::complex<double>> z1(z1_, z1_ + kPoints);
    const double span = std::exp2(3.0 / quality);
    for (int i = 0; i < kLocalPoints && quality >= kNarrowQ; ++i) {
        const double hz = frequency * std::pow(span, 2.0 * i / (kLocalPoints - 1) - 1.0);
        if (hz >= 20.0 && hz < 0.45 * rate_)
            z1.push_back(std::polar(1.0, -2 * std::numbers::pi * hz / rate_));
    }
    const int points = static_cast<int>(z1.size());
    std::vector<double> power(z1.size());
    for (int i = 0; i < points; ++i) power[i] = powerGain(target, target + 3, z1[i]);
    float freq = static_cast<float>(frequency), q = static_cast<float>(quality);
    float gain = static_cast<float>(gainDb);
    int peak = 0;
    auto error = [&](float f, float g, float qq, double bound, int& at) {
        return worstError(z1.data(), power.data(), points, code, f, g, qq, rate_, bound, at);
    };
    double best = error(freq, gain, q, HUGE_VAL, peak);
    // Frequency, Q and gain word by word, in steps of a few parts in 10^5: each moves the
    // response far less than 0.001 dB, but lands the rounding of the coefficients elsewhere.
    for (int round = 0; round < 3 && best > 1e-3; ++round) {
        for (int which = 0; which < 3; ++which) {
            float& value = which == 0 ? freq : which == 1 ? q : gain;
            const int word = which == 0 ? 0 : which == 1 ? 2 : 1;
            const float base = value;
            for (int i = -25; i <= 25; ++i) {
                const float v = which == 2 ? static_cast<float>(base + 1e-5 * i)
                                           : static_cast<float>(base * (1.0 + 1e-5 * i));
                if (!allowed(word, v)) continue;
                int at = peak;
                const double e = which == 0   ? error(v, gain, q, best, at)
                                 : which == 1 ? error(freq, gain, v, best, at)
                                              : error(freq, v, q, best, at);
                if (e < best) {
                    best = e;
                    peak = at;
                    value = v;
                }
            }
        }
    }
    // Low and narrow: frequency and Q together, where one at a time stops short.
    if (best > 1e-3 && quality >= kNarrowQ && frequency < 0.01 * rate_) {
        const float f0 = freq, q0 = q;
        for (int i = -kJointSteps; i <= kJointSteps; ++i) {
            const float f = static_cast<float>(f0 * (1.0 + 2e-6 * i));
            if (!allowed(0, f)) continue;
            for (int j = -kJointSteps; j <= kJointSteps; ++j) {
                const float v = static_cast<float>(q0 * (1.0 + 2e-6 * j));
                if (!allowed(2, v)) continue;
                int at = peak;
                const double e = error(f, gain, v, best, at);
                if (e < best) best = e, peak = at, freq = f, q = v;
            }
        }
    }
    frequency = freq;
    quality = q;
    gainDb = gain;
}

}  // namespace veltra::presets
