#pragma once

#include <string>
#include <vector>

#include "measure/ResponseCurve.h"
#include "presets/Tuning.h"
#include "tools/ChainResponse.h"

namespace veltra::tools {

// A measured device and a target on one grid, and what the device sounds like with a tuning:
// the measurement plus the speaker path's linear response. What `fit` designs against and what
// `response --measurement` shows.
class DeviceResponse {
  public:
    // `smoothing` is 1/N octave (0 none). The target is "flat" or a response file. Throws
    // ResponseCurve::ReadError.
    DeviceResponse(const std::string& measurement, const std::string& target, int smoothing);

    const measure::ResponseCurve& measured() const { return measured_; }
    std::vector<double> targetAt(const std::vector<double>& hz) const;
    // The device with the tuning, at each frequency.
    std::vector<double> tuned(const presets::Tuning& tuning, bool enhancement, int rate,
                              const std::vector<double>& hz) const;
    // The same with the path's response already measured, for several grids.
    std::vector<double> tuned(const ChainResponse& chain, const std::vector<double>& hz) const;
    // `points` per octave from `from` to `to`, both included.
    static std::vector<double> grid(double from, double to, int points);

  private:
    measure::ResponseCurve measured_;
    measure::ResponseCurve target_;  // empty: flat
};

}  // namespace veltra::tools
