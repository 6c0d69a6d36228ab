#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "presets/PresetProblem.h"
#include "presets/Tuning.h"

namespace veltra::tools {

// A preset or filter file that is not valid: every problem, with where it is. The tool prints
// them and exits with status 65 without writing anything.
struct PresetError {
    std::string file;
    presets::PresetProblems problems;
};

// Reads and checks a preset against the given rates (the common ones when empty); throws
// PresetError. An empty path gives the built-in tuning.
presets::Tuning loadPreset(const std::string& path, const std::vector<int>& rates = {});

// `veltradsp preset show|check|import|export`.
class PresetCommands {
  public:
    explicit PresetCommands(CLI::App& app);
    bool parsed() const;
    int run() const;

  private:
    int show() const;
    int check() const;
    int import() const;
    int exportPreset() const;

    CLI::App* preset_;
    CLI::App* show_;
    CLI::App* check_;
    CLI::App* import_;
    CLI::App* export_;
    std::string file_, stage_ = "PreEQ", into_, output_, pipewire_, lv2_, cxx_;
    std::vector<int> rates_;
    int importRate_ = 48000;
};

}  // namespace veltra::tools
