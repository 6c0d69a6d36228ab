#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "presets/PresetProblem.h"
#include "presets/Tuning.h"

namespace veltra::presets {

// The preset file: TOML, one table per stage named as the stage. A stage or value the file does
// not give keeps the built-in one; an equaliser's `bands` array replaces all sixteen bands.
class PresetFile {
  public:
    // Reads and checks the text; every problem is reported, not just the first. `out` is only
    // meaningful when this returns true (no problems).
    static bool parse(std::string_view text, const std::vector<int>& rates, Tuning& out,
                      PresetProblems& problems);
    // As parse(), reading the file; an unreadable file is one problem without a position.
    static bool read(const std::string& path, const std::vector<int>& rates, Tuning& out,
                     PresetProblems& problems);
    // The whole tuning as a preset; reading it back gives the same blocks bit for bit.
    static std::string write(const Tuning& tuning);
};

}  // namespace veltra::presets
