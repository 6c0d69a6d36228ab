#include "fit/PowerCurve.h"

#include <cmath>
#include <numbers>

#include "effects/eq/EqFilterBank.h"

namespace veltra::fit {

namespace {

// |c0 + c1 z + c2 z^2|^2 on the unit circle, with cos w = 1 - 2 phi and cos 2w = 1 - 8 phi + 8
// phi^2.
void quadratic(double c0, double c1, double c2, double* out) {
    const double sum = c0 + c1 + c2;
    out[0] = sum * sum;
    out[1] = -4.0 * (c0 * c1 + c1 * c2 + 4.0 * c0 * c2);
    out[2] = 16.0 * c0 * c2;
}

}  // namespace

PowerCurve PowerCurve::of(const Section& s, int rate) {
    double c[5];
    EqFilterBank::designBandExact(s.hz, s.gainDb, s.q, s.type, rate, c);
    PowerCurve curve;
    quadratic(c[0], c[1], c[2], curve.n);
    // The design keeps the feedback coefficients negated: the denominator is 1 - c3 z - c4 z^2.
    quadratic(1.0, -c[3], -c[4], curve.d);
    return curve;
}

std::vector<double> PowerCurve::phiOf(const std::vector<double>& hz, int rate) {
    std::vector<double> phi;
    phi.reserve(hz.size());
    for (double f : hz) {
        const double s = std::sin(std::numbers::pi * f / rate);
        phi.push_back(s * s);
    }
    return phi;
}

}  // namespace veltra::fit
