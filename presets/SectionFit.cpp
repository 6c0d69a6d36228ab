#include "presets/SectionFit.h"

#include <cmath>
#include <numbers>

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
double worstError(const std::complex<double>* z1, const double* power, int code, float freq,
                  float gain, float q, int rate, double bound, int& peak) {
    float c[5];
    EqFilterBank::designBand(freq, gain, q, code, rate, c);
    const double boundRatio = std::pow(10.0, bound / 10);
    double worst = 1;
    int worstAt = peak;
    for (int k = 0; k < SectionFit::kPoints; ++k) {
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

void SectionFit::refine(int code, const double* target, double gainDb, double& frequency,
                        double& quality, const Allowed& allowed) const {
    double power[kPoints];
    for (int i = 0; i < kPoints; ++i) power[i] = powerGain(target, target + 3, z1_[i]);
    const float gain = static_cast<float>(gainDb);
    float freq = static_cast<float>(frequency), q = static_cast<float>(quality);
    int peak = 0;
    double best = worstError(z1_, power, code, freq, gain, q, rate_, HUGE_VAL, peak);
    for (int round = 0; round < 2 && best > 1e-3; ++round) {
        for (int which = 0; which < 2; ++which) {
            const float base = which == 0 ? freq : q;
            for (int i = -25; i <= 25; ++i) {
                const float v = static_cast<float>(base * (1.0 + 1e-5 * i));
                if (!allowed(which == 0 ? 0 : 2, v)) continue;
                int at = peak;
                const double e = which == 0
                                     ? worstError(z1_, power, code, v, gain, q, rate_, best, at)
                                     : worstError(z1_, power, code, freq, gain, v, rate_, best, at);
                if (e < best) {
                    best = e;
                    peak = at;
                    (which == 0 ? freq : q) = v;
                }
            }
        }
    }
    frequency = freq;
    quality = q;
}

}  // namespace veltra::presets
