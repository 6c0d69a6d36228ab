#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "measure/SweepSignal.h"

namespace veltra::tools {

// A measurement that cannot be made from what was given (a recording that is silent or clipped,
// an ill-formed calibration file, a device that does not exist): exit status 65, nothing written.
struct DataError {
    std::string message;
};

// `veltradsp measure sweep|analyse|run`.
class MeasureCommands {
  public:
    explicit MeasureCommands(CLI::App& app);
    bool parsed() const;
    int run() const;

  private:
    int sweep() const;
    int analyse() const;
    int live() const;
    void analyseAndWrite(const measure::SweepSignal& sweep, const std::vector<float>& recording,
                         const std::string& source) const;

    CLI::App* measure_;
    CLI::App* sweep_;
    CLI::App* analyse_;
    CLI::App* run_;
    measure::SweepSpec spec_;
    std::string output_, recording_, sweepFile_, calibration_, impulse_, distortion_;
    std::string smoothing_, sink_, source_, keep_;
    int channel_ = 1;
    bool through_ = false, quiet_ = false;
};

// "1/N" as N (1 to 96); 0 for "none" or empty; -1 for anything else.
int parseSmoothing(const std::string& text);

}  // namespace veltra::tools
