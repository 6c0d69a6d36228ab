#pragma once

#include <complex>
#include <functional>

namespace veltra::presets {

// Fits the frequency and Q an equaliser section stores to an Audio EQ Cookbook biquad. The
// equaliser designs in single precision, which far below a tenth of the rate costs a few
// hundredths of a dB: the feedback coefficients sit next to 2 and -1, where a float step is
// large against what separates the poles from the unit circle. The fit moves frequency and Q by
// a few parts in 10^5 (a change of the response far below 0.001 dB) to where the rounding of
// those coefficients lands closest to the cookbook, judged on a logarithmic grid over the
// audible band at one rate.
class SectionFit {
  public:
    static constexpr int kPoints = 241;
    static constexpr int kLocalPoints = 121;  // around a narrow section's frequency
    static constexpr double kNarrowQ = 2.0;
    static constexpr int kJointSteps = 40;
    // Whether a preset may hold `value` in a band's word (0: frequency, 2: Q).
    using Allowed = std::function<bool(int word, float value)>;

    explicit SectionFit(int rate);

    // `target` is the cookbook biquad b0, b1, b2, a0, a1, a2 at this rate; `code`, `gain`,
    // `frequency` and `q` the section the equaliser makes of it. Moves frequency, Q and gain,
    // one at a time, three times over, never to a value `allowed` refuses.
    void refine(int code, const double* target, double& gain, double& frequency, double& q,
                const Allowed& allowed) const;

  private:
    int rate_;
    std::complex<double> z1_[kPoints];  // z^-1 at each grid point
};

}  // namespace veltra::presets
