#include "presets/FilterTextImport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string_view>
#include <vector>

#include "presets/SectionFit.h"
#include "presets/ValueCheck.h"

namespace veltra::presets {

namespace {

constexpr double kButterworthQ = 0.70710678118654752;

struct Section {
    int line;
    int code;
    double freq;
    double gain;
    double q;
    double target[6];  // the cookbook biquad b0, b1, b2, a0, a1, a2 at the import rate
};

struct CookbookFilter {
    std::string type;
    std::optional<double> fc, gain, q;
};

// What the file means: one Audio EQ Cookbook biquad, kept beside the section made from it.
struct Target {
    int code = 0;  // the section type it becomes, which names the cookbook formula
    double f0 = 0, gain = 0, q = 0;
};

// UTF-16 (REW on Windows) comes down to its ASCII text; anything else is taken as bytes.
std::string narrow(std::string_view raw) {
    bool little = raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE';
    bool big = raw.size() >= 2 && raw[0] == '\xFE' && raw[1] == '\xFF';
    if (!little && !big && raw.size() >= 2 && raw.size() % 2 == 0) {
        little = raw[1] == '\0' && raw[0] != '\0';
        big = raw[0] == '\0' && raw[1] != '\0';
    }
    if (!little && !big) {
        if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
        return std::string(raw);
    }
    std::string out;
    const std::size_t start = (raw[0] == '\xFF' || raw[0] == '\xFE') ? 2 : 0;
    for (std::size_t i = start; i + 1 < raw.size(); i += 2) {
        const char lo = little ? raw[i] : raw[i + 1];
        const char hi = little ? raw[i + 1] : raw[i];
        out += hi == '\0' ? lo : '?';
    }
    return out;
}

// The line's words into `out`, which one import reuses from line to line.
void words(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        std::size_t j = i;
        while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
}

std::optional<double> number(std::string_view text) {
    double v = 0.0;
    const char* begin = text.data() + (text.size() > 1 && text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool isFilterLine(const std::vector<std::string_view>& w) {
    if (w.size() < 2 || w[0] != "Filter" || w[1].size() < 2 || w[1].back() != ':') return false;
    for (std::size_t i = 0; i + 1 < w[1].size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(w[1][i]))) return false;
    return true;
}

// `before` 'word' `after`, built by appending: GCC 12 warns falsely (-Wrestrict) on a literal
// added to a temporary string.
std::string quoted(std::string_view before, std::string_view word, std::string_view after) {
    return std::string(before).append("'").append(word).append("'").append(after);
}

// Parses "TYPE [Fc F Hz] [Gain G dB] [Q Q]" from word `at` on; an empty reason means success.
std::string parseFilter(const std::vector<std::string_view>& w, std::size_t at, CookbookFilter& f) {
    f.type = w[at++];
    if (at < w.size() && (w[at] == "6dB" || w[at] == "12dB"))
        return quoted("REW's corner-frequency shelf ", f.type + " " + std::string(w[at]),
                      " is not supported; allowed: LSC, HSC, or LS and HS at their centre "
                      "frequency");
    while (at < w.size()) {
        const std::string_view key = w[at];
        if (at + 1 >= w.size()) return quoted("", key, " without a value");
        const auto v = number(w[at + 1]);
        if (!v) return quoted("", w[at + 1], " is not a number");
        if (key == "Fc") {
            f.fc = *v;
            at += 2;
            if (at < w.size() && w[at] == "Hz") ++at;
        } else if (key == "Gain") {
            f.gain = *v;
            at += 2;
            if (at < w.size() && w[at] == "dB") ++at;
        } else if (key == "Q") {
            f.q = *v;
            at += 2;
        } else {
            return quoted("unknown field ", key, "");
        }
    }
    return {};
}

void cookbook(int code, double f0, double gain, double q, int rate, double* c);

double warp(double freq, int rate) {
    return std::tan(std::numbers::pi * freq / rate);
}

double unwarp(double t, int rate) {
    return std::atan(t) * rate / std::numbers::pi;
}

// The module's section for a cookbook filter at `rate`; an empty reason means success.
std::string convert(const CookbookFilter& f, int rate, Section& s) {
    const std::string& t = f.type;
    struct Kind {
        const char* name;
        int code;
        bool needsGain;
        bool takesQ;
    };
    static const Kind kinds[] = {
        {"PK", 11, true, true},  {"PEQ", 11, true, true}, {"MODAL", 11, true, true},
        {"LSC", 17, true, true}, {"HSC", 16, true, true}, {"LS", 17, true, true},
        {"HS", 16, true, true},  {"LP", 6, false, false}, {"HP", 2, false, false},
        {"LPQ", 6, false, true}, {"HPQ", 2, false, true}, {"NO", 40, false, true},
        {"AP", 10, false, true}, {"BP", 14, false, true},
    };
    const Kind* kind = nullptr;
    for (const Kind& k : kinds)
        if (t == k.name) kind = &k;
    if (kind == nullptr)
        return "unknown filter type '" + t +
               "'; allowed: PK (PEQ, MODAL), LSC, HSC, LS, HS, LP, HP, LPQ, HPQ, NO, AP, BP, None";
    if (!f.fc) return t + " needs a frequency (Fc ... Hz)";
    if (kind->needsGain && !f.gain) return t + " needs a gain (Gain ... dB)";
    if (*f.fc <= 0.0 || *f.fc >= rate / 2.0)
        return "Fc " + formatNumber(static_cast<float>(*f.fc)) + " Hz is at or above half of " +
               std::to_string(rate) + " Hz (or not above 0); allowed: 0 < Fc < " +
               std::to_string(rate / 2) + " Hz";
    double q = kind->takesQ && f.q ? *f.q : kButterworthQ;
    if (q <= 0.0) return "Q " + formatNumber(static_cast<float>(q)) + " must be above 0";
    const double gain = f.gain.value_or(0.0);
    s.code = kind->code;
    s.gain = gain;
    s.freq = *f.fc;
    // The cookbook's A is 10^(gain/40), this equaliser's 10^(gain/20) (see the derivation in
    // docs/tuning.md): the bell's bandwidth term and the shelves' pole and zero positions differ
    // by powers of the cookbook's A.
    const double quarter = std::pow(10.0, std::fabs(gain) / 80.0);
    if (s.code == 11) q *= quarter * quarter;
    if (s.code == 17) s.freq = unwarp(warp(*f.fc, rate) / quarter, rate);
    if (s.code == 16) s.freq = unwarp(warp(*f.fc, rate) * quarter, rate);
    s.q = q;
    cookbook(s.code, *f.fc, gain, kind->takesQ && f.q ? *f.q : kButterworthQ, rate, s.target);
    return {};
}

// The Audio EQ Cookbook's biquad for a section type, in double precision.
void cookbook(int code, double f0, double gain, double q, int rate, double* c) {
    const double A = std::pow(10.0, gain / 40.0), w0 = 2 * std::numbers::pi * f0 / rate;
    const double cs = std::cos(w0), alpha = std::sin(w0) / (2 * q), sa = 2 * std::sqrt(A) * alpha;
    double* b = c;
    double* a = c + 3;
    a[0] = 1 + alpha, a[1] = -2 * cs, a[2] = 1 - alpha;
    switch (code) {
        case 11:
            b[0] = 1 + alpha * A, b[1] = -2 * cs, b[2] = 1 - alpha * A;
            a[0] = 1 + alpha / A, a[2] = 1 - alpha / A;
            break;
        case 17:
            b[0] = A * ((A + 1) - (A - 1) * cs + sa), b[1] = 2 * A * ((A - 1) - (A + 1) * cs);
            b[2] = A * ((A + 1) - (A - 1) * cs - sa);
            a[0] = (A + 1) + (A - 1) * cs + sa, a[1] = -2 * ((A - 1) + (A + 1) * cs);
            a[2] = (A + 1) + (A - 1) * cs - sa;
            break;
        case 16:
            b[0] = A * ((A + 1) + (A - 1) * cs + sa), b[1] = -2 * A * ((A - 1) + (A + 1) * cs);
            b[2] = A * ((A + 1) + (A - 1) * cs - sa);
            a[0] = (A + 1) - (A - 1) * cs + sa, a[1] = 2 * ((A - 1) - (A + 1) * cs);
            a[2] = (A + 1) - (A - 1) * cs - sa;
            break;
        case 6:
            b[0] = (1 - cs) / 2, b[1] = 1 - cs, b[2] = (1 - cs) / 2;
            break;
        case 2:
            b[0] = (1 + cs) / 2, b[1] = -(1 + cs), b[2] = (1 + cs) / 2;
            break;
        case 40:
            b[0] = 1, b[1] = -2 * cs, b[2] = 1;
            break;
        case 10:
            b[0] = 1 - alpha, b[1] = -2 * cs, b[2] = 1 + alpha;
            break;
        case 14:
            b[0] = alpha, b[1] = 0, b[2] = -alpha;
            break;
        default:  // the preamp: a constant gain
            b[0] = std::pow(10.0, gain / 20.0), b[1] = b[2] = 0;
            a[0] = 1, a[1] = a[2] = 0;
            break;
    }
}

}  // namespace

bool FilterTextImport::apply(std::string_view raw, int stage, int rate, Tuning& tuning,
                             PresetProblems& problems) {
    const std::size_t before = problems.size();
    const std::string text = narrow(raw);
    std::vector<Section> sections;
    std::optional<Section> preamp;
    std::vector<std::string_view> w;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        words(std::string_view(text).substr(start, end - start), w);
        start = end + 1;
        ++lineNumber;
        if (w.size() >= 2 && w[0] == "Preamp:") {
            const auto v = number(w[1]);
            if (!v || (w.size() > 2 && w[2] != "dB") || w.size() > 3)
                problems.push_back({lineNumber, 0, "preamp: expected 'Preamp: <gain> dB'"});
            else if (*v != 0.0)
                preamp = Section{lineNumber, 15, 1000.0, *v, kButterworthQ, {}};
            continue;
        }
        if (!isFilterLine(w)) continue;  // REW's header and notes lines
        if (w.size() < 4 || (w[2] != "ON" && w[2] != "OFF")) {
            problems.push_back({lineNumber, 0, "expected 'Filter N: ON|OFF TYPE ...'"});
            continue;
        }
        if (w[2] == "OFF" || w[3] == "None") continue;
        CookbookFilter filter;
        std::string reason = parseFilter(w, 3, filter);
        Section s{lineNumber, 0, 0, 0, 0, {}};
        if (reason.empty()) reason = convert(filter, rate, s);
        if (!reason.empty()) {
            problems.push_back({lineNumber, 0, reason});
            continue;
        }
        sections.push_back(s);
    }
    if (preamp) sections.insert(sections.begin(), *preamp);
    if (sections.size() > static_cast<std::size_t>(kMaxBands))
        problems.push_back({sections[kMaxBands].line, 0,
                            std::to_string(sections.size()) + " sections" +
                                (preamp ? " with the preamp" : "") + "; allowed: at most " +
                                std::to_string(kMaxBands)});
    // What the conversion made must still be a valid band (a high Q after scaling, a shelf
    // corner moved past the rate's limit).
    const std::vector<int> rates = {rate};
    for (std::size_t i = 0; i < sections.size() && i < static_cast<std::size_t>(kMaxBands); ++i) {
        const Section& s = sections[i];
        const double values[kBandWords] = {s.freq, s.gain, s.q, 0};
        for (const Field& f : bandFields()) {
            if (f.kind == ValueKind::FilterType) continue;
            const std::string problem =
                checkValue("converted " + std::string(f.key), f, values[f.word], rates);
            if (!problem.empty()) problems.push_back({s.line, 0, problem});
        }
    }
    if (problems.size() != before) return false;
    const auto allowed = [&](int word, float v) {
        for (const Field& f : bandFields())
            if (f.word == word && f.kind != ValueKind::FilterType)
                return checkValue(f.key, f, v, rates).empty();
        return true;
    };
    const auto fit = std::make_unique<SectionFit>(rate);
    for (Section& s : sections)
        if (s.code != 15) fit->refine(s.code, s.target, s.gain, s.freq, s.q, allowed);
    tuning.clearBands(stage);
    for (std::size_t b = 0; b < sections.size(); ++b) {
        const Section& s = sections[b];
        const double values[kBandWords] = {s.freq, s.gain, s.q, static_cast<double>(s.code)};
        for (const Field& f : bandFields())
            tuning.set({stage, static_cast<int>(b), &f}, static_cast<float>(values[f.word]));
    }
    return true;
}

}  // namespace veltra::presets
