#pragma once

#include <string>
#include <vector>

#include "effects/eq/SectionType.h"

namespace veltra::fit {

// One equaliser section as the module designs it (a type code of the filter table).
struct Section {
    int type = codeOf(SectionType::kPeak);
    double hz = 1000.0, gainDb = 0.0, q = 1.0;
};

// What to fit: on a logarithmic grid over the fit band, the device's level with every other
// stage of the tuning in place (the fitted stage flat), and the target. The stage's total may
// nowhere exceed `maxBoostDb`, and must not boost at all below `lowRollOffHz` or above
// `highRollOffHz`; those limits are checked on `guardHz` (the whole audible band).
struct FitProblem {
    std::vector<double> hz, device, target;
    std::vector<double> guardHz;
    // The same band on a finer grid: between two results the closer on it is kept, since a
    // narrow section can fit the fit's grid points and ripple between them. Empty: the fit grid.
    std::vector<double> checkHz, checkDevice, checkTarget;
    int rate = 48000;
    int sections = 16;
    double maxBoostDb = 6.0;
    double lowRollOffHz = 0.0, highRollOffHz = 1e9;
};

struct FitResult {
    std::vector<Section> sections;  // in the order they were placed
    double offsetDb = 0.0;          // level of the target that fits best
    double rmsBeforeDb = 0.0, maxBeforeDb = 0.0, rmsAfterDb = 0.0, maxAfterDb = 0.0;
    double largestBoostDb = 0.0;  // the stage's highest level on the guard grid, 0 if none
};

// Places sections one at a time on the largest area between device and target (a peak, or a
// shelf where the area reaches an end of the band), then moves all of them together with NLopt's
// SLSQP: least squares in dB with the target at its best-fitting level, the boost limits as
// constraints. The designs are the equaliser's own, in double precision while fitting; the
// limits are then checked with the float designs the equaliser runs, and every boost is scaled
// down, if need be, until they hold. Deterministic: the same problem gives the same sections.
class EqualiserFit {
  public:
    static FitResult run(const FitProblem& problem);
    // The stage's level in dB at each frequency, from the float designs the equaliser runs.
    static std::vector<double> stageDb(const std::vector<Section>& sections, int rate,
                                       const std::vector<double>& hz);
    // The speaker's roll-offs: from each end of `hz` inwards, the first frequency where the
    // device comes within 6 dB of its median level against the target over [from, to]. A dip
    // between them is not a roll-off.
    static void rollOffs(const std::vector<double>& hz, const std::vector<double>& device,
                         const std::vector<double>& target, double from, double to, double& low,
                         double& high);
    // Where the float designs break a limit the double ones keep (a low section's coefficients
    // nearly cancel, and below a roll-off a hundredth of a dB is a boost), lowers the limit
    // there by what they add and moves the sections again from where they are, a few times.
    // Sections come out rounded to float.
    static void keepFloatLimits(const FitProblem& problem, std::vector<Section>& sections);
    // Root mean square and largest absolute deviation of a - b - offset, the offset chosen to
    // minimise it (the mean difference), which is returned too.
    static void deviation(const std::vector<double>& a, const std::vector<double>& b,
                          double& offset, double& rms, double& largest);
};

}  // namespace veltra::fit
