#pragma once

#include <vector>

#include "fit/EqualiserFit.h"

namespace veltra::fit {

// A section's power gain |H|^2 over frequency as a ratio of two quadratics in
// phi = sin^2(w / 2). Written this way its level at a point costs a few multiplies, and the
// numerator's constant term is (b0 + b1 + b2)^2, which keeps its precision at low frequencies
// where the powers of cos w would cancel.
struct PowerCurve {
    double n[3] = {1.0, 0.0, 0.0}, d[3] = {1.0, 0.0, 0.0};

    // From the equaliser's double-precision design.
    static PowerCurve of(const Section& s, int rate);
    // sin^2(pi f / rate) for each frequency.
    static std::vector<double> phiOf(const std::vector<double>& hz, int rate);

    double numerator(double phi) const { return n[0] + phi * (n[1] + phi * n[2]); }
    double denominator(double phi) const { return d[0] + phi * (d[1] + phi * d[2]); }
};

}  // namespace veltra::fit
