#pragma once

#include <cstddef>

namespace veltra {

// Every section type the equaliser designs, by the code a band's type word holds; any other code
// passes the signal. The presets, the import, the fit and the built-in list name them from here.
enum class SectionType : int {
    kNone = 0,
    kHighPass1 = 1,
    kHighPass2 = 2,
    kLowPass1 = 5,
    kLowPass2 = 6,
    kAllPass1 = 9,
    kAllPass2 = 10,
    kPeak = 11,
    kHighShelf1 = 12,
    kLowShelf1 = 13,
    kBandPass = 14,
    kGain = 15,
    kHighShelf2 = 16,
    kLowShelf2 = 17,
    kNotch = 40,
};

constexpr int codeOf(SectionType type) {
    return static_cast<int>(type);
}

// What a type's design reads and what it is.
struct SectionTypeInfo {
    int code;
    const char* name;   // as a preset writes it
    const char* label;  // as people read it
    bool usesGain;
    bool usesQ;
    int order;  // of the section's recursion; 0 for the broadband gain and for none
};

inline constexpr SectionTypeInfo kSectionTypes[] = {
    {codeOf(SectionType::kNone), "none", "none", false, false, 0},
    {codeOf(SectionType::kHighPass1), "high_pass_1", "high-pass 6 dB/oct", false, false, 1},
    {codeOf(SectionType::kHighPass2), "high_pass_2", "high-pass 12 dB/oct", false, true, 2},
    {codeOf(SectionType::kLowPass1), "low_pass_1", "low-pass 6 dB/oct", false, false, 1},
    {codeOf(SectionType::kLowPass2), "low_pass_2", "low-pass 12 dB/oct", false, true, 2},
    {codeOf(SectionType::kAllPass1), "all_pass_1", "all-pass first order", false, false, 1},
    {codeOf(SectionType::kAllPass2), "all_pass_2", "all-pass second order", false, true, 2},
    {codeOf(SectionType::kPeak), "peak", "peak", true, true, 2},
    {codeOf(SectionType::kHighShelf1), "high_shelf_1", "high shelf first order", true, false, 1},
    {codeOf(SectionType::kLowShelf1), "low_shelf_1", "low shelf first order", true, false, 1},
    {codeOf(SectionType::kBandPass), "band_pass", "band-pass", false, true, 2},
    {codeOf(SectionType::kGain), "gain", "broadband gain", true, false, 0},
    {codeOf(SectionType::kHighShelf2), "high_shelf_2", "high shelf second order", true, true, 2},
    {codeOf(SectionType::kLowShelf2), "low_shelf_2", "low shelf second order", true, true, 2},
    {codeOf(SectionType::kNotch), "notch", "notch", false, true, 2},
};

// The entry for a code; null for one that passes the signal without being a type.
constexpr const SectionTypeInfo* sectionTypeInfo(int code) {
    for (const SectionTypeInfo& t : kSectionTypes)
        if (t.code == code) return &t;
    return nullptr;
}

constexpr bool sectionUsesQ(int code) {
    const SectionTypeInfo* t = sectionTypeInfo(code);
    return t != nullptr && t->usesQ;
}

// Every design but the broadband gain places itself at a frequency.
constexpr bool sectionUsesFrequency(int code) {
    return code != codeOf(SectionType::kGain);
}

// The high- and low-pass sections, which protect a speaker from what it cannot play.
constexpr bool sectionIsPassFilter(int code) {
    return code == codeOf(SectionType::kHighPass1) || code == codeOf(SectionType::kHighPass2) ||
           code == codeOf(SectionType::kLowPass1) || code == codeOf(SectionType::kLowPass2);
}

}  // namespace veltra
