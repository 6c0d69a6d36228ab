#pragma once

#include <vector>

#include "presets/Tuning.h"

namespace veltra::tools {

// The linear response of the whole speaker path with a tuning, for a signal played identically on
// both channels, as a microphone between the speakers hears it (the mean of the two outputs).
// Measured by running the engine itself over an impulse far below every limiter's threshold, so
// that it holds every stage as the module runs it: headroom, equalisers, the widener as the
// enhancement switch has it.
class ChainResponse {
  public:
    ChainResponse(const presets::Tuning& tuning, bool enhancement, int sampleRate);

    // Level in dB at each frequency (below half the rate).
    std::vector<double> decibels(const std::vector<double>& hz) const;

  private:
    int rate_;
    std::vector<float> impulse_;
};

}  // namespace veltra::tools
