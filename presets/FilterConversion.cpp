#include "presets/FilterConversion.h"

#include <cmath>
#include <numbers>

#include "presets/NumberText.h"
#include "presets/ValueCheck.h"

namespace veltra::presets {

namespace {

constexpr double kButterworthQ = 0.70710678118654752;

// Where the response comes from, beside the section it becomes.
enum class Shape {
    Peak,
    LowShelf,
    HighShelf,
    LowPass,
    HighPass,
    LowPass1,
    HighPass1,
    Notch,
    AllPass,
    BandPass,
    LowShelfSlopeHalf,
    HighShelfSlopeHalf,
    LowShelfCorner12,
    HighShelfCorner12,
    Transform
};

struct Kind {
    const char* name;
    SectionType type;
    Shape shape;
    bool needsGain;
    bool takesQ;
};

using S = SectionType;

constexpr Kind kKinds[] = {
    {"PK", S::kPeak, Shape::Peak, true, true},
    {"PEQ", S::kPeak, Shape::Peak, true, true},
    {"MODAL", S::kPeak, Shape::Peak, true, true},
    {"Modal", S::kPeak, Shape::Peak, true, true},
    {"LSC", S::kLowShelf2, Shape::LowShelf, true, true},
    {"LS Q", S::kLowShelf2, Shape::LowShelf, true, true},
    {"HSC", S::kHighShelf2, Shape::HighShelf, true, true},
    {"HS Q", S::kHighShelf2, Shape::HighShelf, true, true},
    {"LS", S::kLowShelf2, Shape::LowShelf, true, true},
    {"HS", S::kHighShelf2, Shape::HighShelf, true, true},
    {"LS 6dB", S::kLowShelf1, Shape::LowShelfSlopeHalf, true, false},
    {"HS 6dB", S::kHighShelf1, Shape::HighShelfSlopeHalf, true, false},
    {"LS 12dB", S::kLowShelf2, Shape::LowShelfCorner12, true, false},
    {"HS 12dB", S::kHighShelf2, Shape::HighShelfCorner12, true, false},
    {"LP", S::kLowPass2, Shape::LowPass, false, false},
    {"HP", S::kHighPass2, Shape::HighPass, false, false},
    {"LPQ", S::kLowPass2, Shape::LowPass, false, true},
    {"LP Q", S::kLowPass2, Shape::LowPass, false, true},
    {"HPQ", S::kHighPass2, Shape::HighPass, false, true},
    {"HP Q", S::kHighPass2, Shape::HighPass, false, true},
    {"LP1", S::kLowPass1, Shape::LowPass1, false, false},
    {"HP1", S::kHighPass1, Shape::HighPass1, false, false},
    {"NO", S::kNotch, Shape::Notch, false, true},
    {"Notch", S::kNotch, Shape::Notch, false, true},
    {"Notch Q", S::kNotch, Shape::Notch, false, true},
    {"AP", S::kAllPass2, Shape::AllPass, false, true},
    {"All pass", S::kAllPass2, Shape::AllPass, false, true},
    {"BP", S::kBandPass, Shape::BandPass, false, true},
    {"L-T", S::kPeak, Shape::Transform, false, true},
};

const Kind* find(const std::string& type) {
    for (const Kind& k : kKinds)
        if (type == k.name) return &k;
    return nullptr;
}

double warp(double freq, int rate) {
    return std::tan(std::numbers::pi * freq / rate);
}

double unwarp(double t, int rate) {
    return std::atan(t) * rate / std::numbers::pi;
}

// The Audio EQ Cookbook's biquads, in double precision; `shelf` 17 low, 16 high.
void cookbook(Shape shape, double f0, double gain, double q, int rate, double* c) {
    const double A = std::pow(10.0, gain / 40.0), w0 = 2 * std::numbers::pi * f0 / rate;
    const double cs = std::cos(w0), alpha = std::sin(w0) / (2 * q), sa = 2 * std::sqrt(A) * alpha;
    double* b = c;
    double* a = c + 3;
    a[0] = 1 + alpha, a[1] = -2 * cs, a[2] = 1 - alpha;
    const double t = warp(f0, rate);
    switch (shape) {
        case Shape::Peak:
            b[0] = 1 + alpha * A, b[1] = -2 * cs, b[2] = 1 - alpha * A;
            a[0] = 1 + alpha / A, a[2] = 1 - alpha / A;
            break;
        case Shape::LowShelf:
            b[0] = A * ((A + 1) - (A - 1) * cs + sa), b[1] = 2 * A * ((A - 1) - (A + 1) * cs);
            b[2] = A * ((A + 1) - (A - 1) * cs - sa);
            a[0] = (A + 1) + (A - 1) * cs + sa, a[1] = -2 * ((A - 1) + (A + 1) * cs);
            a[2] = (A + 1) + (A - 1) * cs - sa;
            break;
        case Shape::HighShelf:
            b[0] = A * ((A + 1) + (A - 1) * cs + sa), b[1] = -2 * A * ((A - 1) + (A + 1) * cs);
            b[2] = A * ((A + 1) + (A - 1) * cs - sa);
            a[0] = (A + 1) - (A - 1) * cs + sa, a[1] = 2 * ((A - 1) - (A + 1) * cs);
            a[2] = (A + 1) - (A - 1) * cs - sa;
            break;
        case Shape::LowPass:
            b[0] = (1 - cs) / 2, b[1] = 1 - cs, b[2] = (1 - cs) / 2;
            break;
        case Shape::HighPass:
            b[0] = (1 + cs) / 2, b[1] = -(1 + cs), b[2] = (1 + cs) / 2;
            break;
        case Shape::LowPass1:  // 1 / (s + 1), bilinear at f0
            b[0] = t, b[1] = t, b[2] = 0, a[0] = 1 + t, a[1] = t - 1, a[2] = 0;
            break;
        case Shape::HighPass1:  // s / (s + 1)
            b[0] = 1, b[1] = -1, b[2] = 0, a[0] = 1 + t, a[1] = t - 1, a[2] = 0;
            break;
        case Shape::Notch:
            b[0] = 1, b[1] = -2 * cs, b[2] = 1;
            break;
        case Shape::AllPass:
            b[0] = 1 - alpha, b[1] = -2 * cs, b[2] = 1 + alpha;
            break;
        case Shape::BandPass:
            b[0] = alpha, b[1] = 0, b[2] = -alpha;
            break;
        default:
            break;
    }
}

}  // namespace

bool FilterConversion::known(const std::string& type) {
    return find(type) != nullptr;
}

const char* FilterConversion::allowed() {
    return "PK (PEQ, MODAL, Modal), LSC (LS Q), HSC (HS Q), LS, HS, LS 6dB, HS 6dB, LS 12dB, "
           "HS 12dB, LP, HP, LPQ (LP Q), HPQ (HP Q), LP1, HP1, NO (Notch, Notch Q), AP (All pass), "
           "BP, L-T, None";
}

std::string FilterConversion::convert(const FilterSpec& f, int rate, ImportedSection& s,
                                      bool& none) {
    none = false;
    const Kind* kind = find(f.type);
    if (kind == nullptr) return "unknown filter type '" + f.type + "'; allowed: " + allowed();
    const std::string& t = f.type;
    if (!f.fc) return t + " needs a frequency (Fc ... Hz)";
    if (kind->needsGain && !f.gain) return t + " needs a gain (Gain ... dB)";
    if (*f.fc <= 0.0 || *f.fc >= rate / 2.0)
        return "Fc " + NumberText::shortest(static_cast<float>(*f.fc)) +
               " Hz is at or above half of " + std::to_string(rate) +
               " Hz (or not above 0); allowed: 0 < Fc < " + std::to_string(rate / 2) + " Hz";
    if (kind->shape != Shape::Transform && (f.fp || f.qp))
        return t + " takes no Fp or Qp (those are a Linkwitz transform's, L-T)";
    const double q = kind->takesQ && f.q ? *f.q : kButterworthQ;
    if (q <= 0.0) return "Q " + NumberText::shortest(static_cast<float>(q)) + " must be above 0";
    double gain = f.gain.value_or(0.0);
    double f0 = *f.fc;
    double cookbookQ = q;
    s.code = codeOf(kind->type);
    s.q = q;
    s.freq = f0;
    // The cookbook's A is 10^(gain/40), this equaliser's 10^(gain/20) (docs/filter-import.md):
    // the bell's bandwidth term and the shelves' pole and zero positions differ by powers of the
    // cookbook's A.
    const double half = std::pow(10.0, std::fabs(gain) / 40.0), quarter = std::sqrt(half);
    switch (kind->shape) {
        case Shape::Transform: {
            // Zeros where the speaker's poles are (Fc, Q), poles where they should be (Fp, Qp):
            // one section of this equaliser only if both lie at one frequency, as a bell whose
            // Q ratio is its gain.
            if (!f.q || !f.fp || !f.qp) return "L-T needs Fc, Q, Fp and Qp";
            if (*f.qp <= 0.0)
                return "Qp " + NumberText::shortest(static_cast<float>(*f.qp)) + " must be above 0";
            if (std::fabs(*f.fp / *f.fc - 1.0) > 1e-9)
                return "L-T from " + NumberText::shortest(static_cast<float>(*f.fc)) + " Hz to " +
                       NumberText::shortest(static_cast<float>(*f.fp)) +
                       " Hz cannot be made of this equaliser's sections (only a transform that "
                       "keeps its frequency can)";
            if (std::fabs(*f.qp / q - 1.0) < 1e-12) {
                none = true;
                return {};
            }
            gain = 20.0 * std::log10(*f.qp / q);
            s.q = std::max(q, *f.qp);
            s.gain = gain;
            s.freq = f0;
            // The transform itself, bilinear at Fc: (s^2 + s/Q + 1) / (s^2 + s/Qp + 1).
            const double k = 1.0 / warp(f0, rate), k2 = k * k;
            double* c = s.target;
            c[0] = k2 + k / q + 1, c[1] = 2 * (1 - k2), c[2] = k2 - k / q + 1;
            c[3] = k2 + k / *f.qp + 1, c[4] = 2 * (1 - k2), c[5] = k2 - k / *f.qp + 1;
            return {};
        }
        case Shape::Peak:
            s.q = q * half;
            break;
        case Shape::LowShelf:
            s.freq = unwarp(warp(f0, rate) / quarter, rate);
            break;
        case Shape::HighShelf:
            s.freq = unwarp(warp(f0, rate) * quarter, rate);
            break;
        case Shape::LowShelfSlopeHalf:
            // REW: a cookbook shelf of slope 0.5 centred at Fc 10^(|gain|/40), which is a first-
            // order shelf; Q = 1 / (sqrt(A) + 1 / sqrt(A)) is that slope's.
            f0 = *f.fc * half;
            cookbookQ = 1.0 / (std::sqrt(half) + 1.0 / std::sqrt(half));
            if (f0 >= rate / 2.0)
                return "LS 6dB's centre, Fc 10^(|gain|/40), is at or above half the rate";
            s.freq = unwarp(warp(f0, rate) / half, rate);
            break;
        case Shape::HighShelfSlopeHalf:
            f0 = *f.fc / half;
            cookbookQ = 1.0 / (std::sqrt(half) + 1.0 / std::sqrt(half));
            s.freq = unwarp(warp(f0, rate) * half, rate);
            break;
        case Shape::LowShelfCorner12:
            // REW: a cookbook shelf of slope 1 (Q = 1/sqrt(2)) centred at Fc 10^(|gain|/80).
            f0 = *f.fc * quarter;
            if (f0 >= rate / 2.0)
                return "LS 12dB's centre, Fc 10^(|gain|/80), is at or above half the rate";
            s.freq = unwarp(warp(f0, rate) / quarter, rate);
            break;
        case Shape::HighShelfCorner12:
            f0 = *f.fc / quarter;
            s.freq = unwarp(warp(f0, rate) * quarter, rate);
            break;
        default:
            break;
    }
    s.gain = gain;
    Shape response = kind->shape;
    if (response == Shape::LowShelfSlopeHalf || response == Shape::LowShelfCorner12)
        response = Shape::LowShelf;
    if (response == Shape::HighShelfSlopeHalf || response == Shape::HighShelfCorner12)
        response = Shape::HighShelf;
    cookbook(response, f0, gain, cookbookQ, rate, s.target);
    return {};
}

}  // namespace veltra::presets
