#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace veltra::tools {

// `veltradsp fit`: an equaliser stage of a preset designed from a measured response to a target.
class FitCommand {
  public:
    explicit FitCommand(CLI::App& app);
    bool parsed() const;
    int run() const;

  private:
    CLI::App* fit_;
    std::string measurement_, target_ = "flat", stage_ = "PreEQ", range_ = "60-16000";
    std::string smoothing_ = "1/6", into_, enhancement_ = "on", output_, csv_, png_;
    int sections_ = 16, rate_ = 48000;
    double maxBoostDb_ = 6.0;
};

}  // namespace veltra::tools
