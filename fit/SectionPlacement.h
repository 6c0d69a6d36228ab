#pragma once

#include <cstddef>
#include <vector>

#include "effects/eq/SectionType.h"
#include "fit/EqualiserFit.h"

namespace veltra::fit {

// The sections and bounds the fit works with.
namespace placement {
inline constexpr int kPeak = codeOf(SectionType::kPeak);
inline constexpr int kHighShelf = codeOf(SectionType::kHighShelf2);
inline constexpr int kLowShelf = codeOf(SectionType::kLowShelf2);
inline constexpr double kMaxCutDb = -20.0;
// A cut's Q is narrowed by its linear gain in the equaliser's design, so the bound is wide.
inline constexpr double kMinPeakQ = 0.2, kMaxPeakQ = 16.0, kMinShelfQ = 0.4, kMaxShelfQ = 1.0;
// Areas of the deviation a new section is tried on.
inline constexpr std::size_t kRunsTried = 3;
// A float section's response strays from its exact design by about a thousandth of a dB, a cut's
// too: the limits hold to within that.
inline constexpr double kFloatSlackDb = 0.005;
inline constexpr int kLimitRounds = 16;
// The most the stage may raise the level at a frequency: the boost limit between the roll-offs,
// nothing beyond them.
inline double limitDb(const FitProblem& p, double hz) {
    return hz >= p.lowRollOffHz && hz <= p.highRollOffHz ? p.maxBoostDb : 0.0;
}
}  // namespace placement

// Where the fit puts a new section, and the limits its result is held to exactly.
class SectionPlacement {
  public:
    // Sections that could answer the largest areas of one sign of `residual` (the device against
    // the target at its median level, on the problem's grid): a peak on each, a shelf where an
    // area reaches an end of the band. A boost only between the roll-offs.
    static std::vector<Section> proposals(const FitProblem& p, const std::vector<double>& residual);
    // Scales boosts down until the limits hold, checked with the float designs on 96 points an
    // octave: each round the boosts that raise the worst excess, by the least common factor (to
    // within 2^-30) that mends it.
    static void keepLimits(const FitProblem& p, std::vector<Section>& sections);
};

}  // namespace veltra::fit
