#pragma once
// The Audio EQ Cookbook's biquads, written out from its published formulas: the independent
// reference that imports, measurements and fits are held to.

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

namespace veltra::testing {

struct Cookbook {
    std::string type;  // PK, LS, HS, LP, HP, NO, AP, BP, GAIN; LP1, HP1 (first order, bilinear)
    double f0, gain, q;
};

// b0, b1, b2, a0, a1, a2 at `rate` (double precision throughout).
inline void cookbookCoefficients(const Cookbook& c, double rate, double* b, double* a) {
    b[0] = 1, b[1] = 0, b[2] = 0, a[0] = 1, a[1] = 0, a[2] = 0;
    if (c.type == "GAIN") {
        b[0] = std::pow(10.0, c.gain / 20.0);
        return;
    }
    const double A = std::pow(10.0, c.gain / 40.0), w0 = 2 * std::numbers::pi * c.f0 / rate;
    const double cs = std::cos(w0), alpha = std::sin(w0) / (2 * c.q), sa = 2 * std::sqrt(A) * alpha;
    if (c.type == "LP1" || c.type == "HP1") {
        // 1 / (s + 1) and s / (s + 1) with s = (1 - z^-1) / (t (1 + z^-1)), t = tan(w0 / 2).
        const double t = std::tan(w0 / 2);
        b[0] = c.type == "LP1" ? t : 1, b[1] = c.type == "LP1" ? t : -1;
        a[0] = 1 + t, a[1] = t - 1;
        return;
    }
    if (c.type == "PK") {
        b[0] = 1 + alpha * A, b[1] = -2 * cs, b[2] = 1 - alpha * A;
        a[0] = 1 + alpha / A, a[1] = -2 * cs, a[2] = 1 - alpha / A;
    } else if (c.type == "LS") {
        b[0] = A * ((A + 1) - (A - 1) * cs + sa), b[1] = 2 * A * ((A - 1) - (A + 1) * cs);
        b[2] = A * ((A + 1) - (A - 1) * cs - sa);
        a[0] = (A + 1) + (A - 1) * cs + sa, a[1] = -2 * ((A - 1) + (A + 1) * cs);
        a[2] = (A + 1) + (A - 1) * cs - sa;
    } else if (c.type == "HS") {
        b[0] = A * ((A + 1) + (A - 1) * cs + sa), b[1] = -2 * A * ((A - 1) + (A + 1) * cs);
        b[2] = A * ((A + 1) + (A - 1) * cs - sa);
        a[0] = (A + 1) - (A - 1) * cs + sa, a[1] = 2 * ((A - 1) - (A + 1) * cs);
        a[2] = (A + 1) - (A - 1) * cs - sa;
    } else {
        a[0] = 1 + alpha, a[1] = -2 * cs, a[2] = 1 - alpha;
        if (c.type == "LP") b[0] = (1 - cs) / 2, b[1] = 1 - cs, b[2] = (1 - cs) / 2;
        if (c.type == "HP") b[0] = (1 + cs) / 2, b[1] = -(1 + cs), b[2] = (1 + cs) / 2;
        if (c.type == "NO") b[0] = 1, b[1] = -2 * cs, b[2] = 1;
        if (c.type == "AP") b[0] = 1 - alpha, b[1] = -2 * cs, b[2] = 1 + alpha;
        if (c.type == "BP") b[0] = alpha, b[1] = 0, b[2] = -alpha;
    }
}

// |H(e^jw)| in dB of one cookbook biquad.
inline double cookbookDb(const Cookbook& c, double hz, double rate) {
    double b[3], a[3];
    cookbookCoefficients(c, rate, b, a);
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
    return 20 * std::log10(std::abs((b[0] + b[1] * z1 + b[2] * z1 * z1) /
                                    (a[0] + a[1] * z1 + a[2] * z1 * z1)));
}

inline double cookbookDb(const std::vector<Cookbook>& chain, double hz, double rate) {
    double db = 0;
    for (const Cookbook& c : chain) db += cookbookDb(c, hz, rate);
    return db;
}

// The chain run over a signal in double precision, direct form I.
inline std::vector<double> cookbookFilter(const std::vector<Cookbook>& chain, double rate,
                                          std::vector<double> x) {
    for (const Cookbook& c : chain) {
        double b[3], a[3];
        cookbookCoefficients(c, rate, b, a);
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : x) {
            const double y = (b[0] * v + b[1] * x1 + b[2] * x2 - a[1] * y1 - a[2] * y2) / a[0];
            x2 = x1, x1 = v, y2 = y1, y1 = y;
            v = y;
        }
    }
    return x;
}

// The cookbook's Q for a shelf of slope S: 1 / sqrt((A + 1/A)(1/S - 1) + 2), A = 10^(gain/40).
inline double shelfQ(double gain, double slope) {
    const double A = std::pow(10.0, gain / 40.0);
    return 1.0 / std::sqrt((A + 1 / A) * (1 / slope - 1) + 2);
}

}  // namespace veltra::testing
