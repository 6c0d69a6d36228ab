#pragma once

#include <optional>
#include <string>

namespace veltra::presets {

// One filter as REW or AutoEq writes it: the type as written (several words for some of REW's
// types) and the values the line gives.
struct FilterSpec {
    std::string type;
    std::optional<double> fc, gain, q, fp, qp;
};

// The equaliser section made of a filter, and the response it must have: the filter's biquad at
// the import rate (b0, b1, b2, a0, a1, a2).
struct ImportedSection {
    int line = 0;
    int code = 0;
    double freq = 0, gain = 0, q = 0;
    double target[6] = {};
};

// What each type these tools write means, and the section of this equaliser that equals it:
// the Audio EQ Cookbook's biquads for AutoEq's and REW's parametric types, REW's own definitions
// for its corner-frequency shelves (cookbook shelves of slope 0.5 and 1 whose centre lies a
// gain-dependent factor from the corner) and the bilinear first-order filters.
class FilterConversion {
  public:
    // An empty reason on success. `none` is set for a filter that changes nothing (a Linkwitz
    // transform onto the same frequency and Q), which makes no section.
    static std::string convert(const FilterSpec& filter, int rate, ImportedSection& section,
                               bool& none);
    // Whether the words, joined by single spaces, name a type.
    static bool known(const std::string& type);
    // The type names, for messages.
    static const char* allowed();
};

}  // namespace veltra::presets
