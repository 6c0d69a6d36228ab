#pragma once

#include <string>
#include <string_view>

#include "presets/PresetProblem.h"
#include "presets/Tuning.h"

namespace veltra::presets {

// Reads the parametric filter text that REW exports and AutoEq writes ("Preamp: -6.2 dB",
// "Filter 1: ON PK Fc 105 Hz Gain 5.5 dB Q 0.70") into one equaliser stage of a tuning.
// Those tools mean Audio EQ Cookbook sections; each becomes the section of this equaliser with
// the same response at `rate`: a bell's Q scales by 10^(|gain|/40), a shelf's corner moves so
// that its poles and zeros land where the cookbook's do. The preamp, when not 0 dB, becomes a
// broadband gain section ahead of the filters.
class FilterTextImport {
  public:
    // Replaces the stage's bands; false (tuning unchanged) with every problem, by line, when the
    // text cannot be represented.
    static bool apply(std::string_view text, int stage, int rate, Tuning& tuning,
                      PresetProblems& problems);
};

}  // namespace veltra::presets
