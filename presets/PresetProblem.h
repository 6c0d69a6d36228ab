#pragma once

#include <string>
#include <vector>

namespace veltra::presets {

// One thing wrong with a preset or filter file, where it is (1-based; 0 when not known).
struct PresetProblem {
    int line = 0;
    int column = 0;
    std::string message;  // what is wrong, then what is allowed
};

using PresetProblems = std::vector<PresetProblem>;

// "file:line:column: message", the form compilers use, so editors can jump to it.
std::string describe(const std::string& file, const PresetProblem& problem);

}  // namespace veltra::presets
