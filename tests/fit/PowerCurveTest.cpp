// A section's power gain as quadratics in sin^2(w/2), against the transfer function of the same
// coefficients evaluated on the unit circle in long double.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "effects/eq/EqFilterBank.h"
#include "fit/PowerCurve.h"

namespace veltra::fit {
namespace {

long double directDb(const double* c, double hz, int rate) {
    using C = std::complex<long double>;
    const long double w = 2.0L * std::numbers::pi_v<long double> * hz / rate;
    const C z = std::polar(1.0L, -w);
    const C num = (long double)c[0] + (long double)c[1] * z + (long double)c[2] * z * z;
    const C den = 1.0L - (long double)c[3] * z - (long double)c[4] * z * z;
    return 10.0L * std::log10(std::norm(num) / std::norm(den));
}

TEST(PowerCurve, MatchesTheTransferFunctionFromFiveHertzToNyquist) {
    // Narrow and low ones included, where the powers of cos w would cancel: within 1e-8 dB.
    const std::vector<Section> sections = {
        {11, 20, 6, 16},    {11, 60, -12, 0.7}, {11, 1000, 3, 2},  {11, 15000, -6, 4},
        {16, 8000, 4, 0.7}, {17, 90, -5, 1.0},  {16, 100, 2, 0.5}, {17, 20000, 3, 0.7},
    };
    const int rate = 48000;
    std::vector<double> hz;
    for (int i = 0; i <= 12 * 12; ++i) hz.push_back(5 * std::exp2(i / 12.0));  // to 20.5 kHz
    hz.push_back(23990);
    const std::vector<double> phi = PowerCurve::phiOf(hz, rate);
    for (const Section& s : sections) {
        double c[5];
        EqFilterBank::designBandExact(s.hz, s.gainDb, s.q, s.type, rate, c);
        const PowerCurve curve = PowerCurve::of(s, rate);
        for (std::size_t i = 0; i < hz.size(); ++i) {
            const double db = 10 * std::log10(curve.numerator(phi[i]) / curve.denominator(phi[i]));
            EXPECT_NEAR(db, double(directDb(c, hz[i], rate)), 1e-8)
                << s.type << " " << s.hz << " Hz at " << hz[i] << " Hz";
        }
    }
}

}  // namespace
}  // namespace veltra::fit
