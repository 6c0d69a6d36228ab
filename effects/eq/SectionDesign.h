#pragma once
// The equaliser's section designs, one template for the float coefficients the kernels run and
// the double ones a fit differentiates. Internal to EqFilterBank.cpp.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/eq/SectionType.h"

namespace veltra::eq {

template <class T>
void passThrough(T* c) {
    c[0] = T(1);
    c[1] = c[2] = c[3] = c[4] = T(0);
}

template <class T>
inline constexpr T kPi = T(3.1415927f);
template <>
inline constexpr double kPi<double> = std::numbers::pi;

// One design for the float coefficients the equaliser runs and for the double ones a fit
// differentiates: in float every step rounds exactly as it always has.
template <class T>
void designSection(T f, T gain, T q, int type, int rate, T* out) {
    passThrough(out);
    const T fs = static_cast<T>(rate);
    if (!std::isfinite(f) || !std::isfinite(gain) || !std::isfinite(q) || rate <= 0) return;
    if (sectionUsesFrequency(type) && !(f > T(0) && f < T(0.5) * fs)) return;
    if (sectionUsesQ(type) && !(q > T(0))) return;

    const T w = f * kPi<T> / fs;
    const T K = static_cast<T>(1.0 / std::tan(static_cast<double>(w)));
    const T K2 = K * K;
    const T A = static_cast<T>(std::pow(10.0, static_cast<double>(gain) * 0.05));
    // A boost puts A in the numerator, a cut puts 1/A in the denominator.
    const T G = A > T(1) ? A : T(1);
    const T H = A > T(1) ? T(1) : T(1) / A;
    const T qb = (type == codeOf(SectionType::kPeak) && A < T(1)) ? q * A : q;
    const T twoOneMinusK2 = T(2) * (T(1) - K2);

    T b0 = T(1), b1 = T(0), b2 = T(0), a0 = T(1), a1 = T(0), a2 = T(0);
    auto secondOrderDenominator = [&](T qq) {
        a0 = T(1) + K / qq + K2;
        a1 = twoOneMinusK2;
        a2 = T(1) - K / qq + K2;
    };
    using S = SectionType;
    switch (static_cast<SectionType>(type)) {
        case S::kHighPass1:
            b0 = K;
            b1 = -K;
            a0 = K + T(1);
            a1 = T(1) - K;
            break;
        case S::kHighPass2:
            b0 = K2;
            b1 = -T(2) * K2;
            b2 = K2;
            secondOrderDenominator(q);
            break;
        case S::kLowPass1:
            b0 = T(1);
            b1 = T(1);
            a0 = K + T(1);
            a1 = T(1) - K;
            break;
        case S::kLowPass2:
            b0 = T(1);
            b1 = T(2);
            b2 = T(1);
            secondOrderDenominator(q);
            break;
        case S::kAllPass1:
            b0 = T(1) - K;
            b1 = T(1) + K;
            a0 = T(1) + K;
            a1 = T(1) - K;
            break;
        case S::kAllPass2:
            secondOrderDenominator(q);
            b0 = a2;
            b1 = twoOneMinusK2;
            b2 = a0;
            break;
        case S::kPeak:
            b0 = T(1) + A * K / qb + K2;
            b1 = twoOneMinusK2;
            b2 = T(1) - A * K / qb + K2;
            secondOrderDenominator(qb);
            break;
        case S::kHighShelf1:
            b0 = T(1) + G * K;
            b1 = T(1) - G * K;
            a0 = T(1) + H * K;
            a1 = T(1) - H * K;
            break;
        case S::kLowShelf1:
            b0 = G + K;
            b1 = G - K;
            a0 = H + K;
            a1 = H - K;
            break;
        case S::kBandPass:
            b0 = K / q;
            b2 = -K / q;
            secondOrderDenominator(q);
            break;
        case S::kGain:
            b0 = A;
            break;
        case S::kHighShelf2: {
            const T sg = std::sqrt(G), sh = std::sqrt(H);
            b0 = T(1) + sg * K / q + G * K2;
            b1 = T(2) * (T(1) - G * K2);
            b2 = T(1) - sg * K / q + G * K2;
            a0 = T(1) + sh * K / q + H * K2;
            a1 = T(2) * (T(1) - H * K2);
            a2 = T(1) - sh * K / q + H * K2;
            break;
        }
        case S::kLowShelf2: {
            const T sg = std::sqrt(G), sh = std::sqrt(H);
            b0 = G + sg * K / q + K2;
            b1 = T(2) * (G - K2);
            b2 = G - sg * K / q + K2;
            a0 = H + sh * K / q + K2;
            a1 = T(2) * (H - K2);
            a2 = H - sh * K / q + K2;
            break;
        }
        case S::kNotch:
            b0 = T(1) + K2;
            b1 = twoOneMinusK2;
            b2 = T(1) + K2;
            secondOrderDenominator(q);
            break;
        default:
            return;
    }
    const T inv = T(1) / a0;
    const T c[5] = {b0 * inv, b1 * inv, b2 * inv, -a1 * inv, -a2 * inv};
    for (T v : c) {
        if (!std::isfinite(v)) return;
    }
    std::copy(c, c + 5, out);
}

}  // namespace veltra::eq
