#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measure/ResponseCurve.h"
#include "measure/SweepSignal.h"

namespace veltra::measure {

// A recording that cannot be analysed: silent, clipped, too short, or not of this sweep.
struct AnalysisError {
    std::string message;
};

// The impulse response a recording of a sweep holds, and what follows from it. The recording is
// divided by the sweep in the frequency domain (regularised outside the sweep's range, which the
// response is band-limited to), so that a recording equal to the sweep is a unit impulse at 0:
// 0 dB means a wire. The linear response is the largest peak within two seconds; each harmonic's
// response lies L ln k before it and is windowed out on its own.
class SweepAnalysis {
  public:
    static constexpr double kMaxLatencySeconds = 2.0;
    static constexpr double kLeftWindowSeconds = 0.125;
    static constexpr double kRightWindowSeconds = 0.5;
    static constexpr double kTaper = 0.25;  // tapered share of each side of the window
    static constexpr int kPointsPerOctave = 96;
    static constexpr float kClipLevel = 0.999f;  // a peak at or above this is clipping
    static constexpr double kSilentDb = -100.0;  // a peak below this is no recording at all

    struct Result {
        std::size_t latencyFrames = 0;  // the linear response's peak, from the sweep's start
        double peakDbfs = 0.0;          // the recording's peak level
        ResponseCurve response;         // magnitude and phase (the latency removed)
        ResponseCurve secondHarmonic;   // dB relative to the fundamental, at the exciting frequency
        ResponseCurve thirdHarmonic;
        std::vector<float> impulse;   // the windowed linear response, from the window's start
        std::size_t impulsePeak = 0;  // the peak's index in `impulse`
    };

    // `recording` is one channel at the sweep's rate; it may be longer than needed. Throws
    // AnalysisError.
    static Result analyse(const SweepSignal& sweep, const std::vector<float>& recording);

    // The recording's peak level in dBFS (-inf for silence).
    static double peakDbfs(const std::vector<float>& recording);
};

}  // namespace veltra::measure
