#pragma once

#include <vector>

#include "fit/EqualiserFit.h"

namespace veltra::fit {

// The fitted stage as the optimiser sees it: the sections' types fixed, their parameters free
// (log2 frequency, gain, log2 Q each), sections placed before held where they are. The
// objective is the mean squared deviation from the target at its best level, with small prices
// on the stage's mean level and on every section's gain; the limits are constraints on the
// problem's guard grid.
class StageModel {
  public:
    static constexpr int kParameters = 3;

    StageModel(const FitProblem& problem, std::vector<int> types);

    // Holds a section where it is, part of the stage but not moved.
    void fix(const Section& s);
    // Lowers the limit at each guard point by `db` (what the float designs add to the double
    // ones there), so that the running equaliser keeps it.
    void tighten(const std::vector<double>& db);
    // Moves the sections from x by SLSQP, at most `evaluations` steps; returns the objective
    // reached. A failed run leaves x where it was.
    double optimise(std::vector<double>& x, int evaluations);
    double objective(const std::vector<double>& x) const;

    static Section fromParameters(int type, const double* x);
    static std::vector<double> parametersOf(const std::vector<Section>& sections);
    // The sections' level at each frequency, from the double-precision designs.
    static std::vector<double> levelDb(const std::vector<Section>& sections, int rate,
                                       const std::vector<double>& hz);

  private:
    double evaluate(const double* x, double* gradient) const;
    static double objectiveOf(unsigned n, const double* x, double* gradient, void* data);
    static void limitsOf(unsigned count, double* result, unsigned n, const double* x,
                         double* gradient, void* data);
    void level(const double* x, const std::vector<double>& phi, const std::vector<double>& base,
               double* out, double* slope) const;

    const FitProblem* problem_;
    std::vector<int> types_;
    std::vector<double> fitPhi_, guardPhi_;
    std::vector<double> guardLimit_;
    std::vector<double> fixedFit_, fixedGuard_;  // the held sections' sum on each grid
    // Scratch for level(), kept: the optimiser calls it a thousand times a fit.
    mutable std::vector<double> power_;
};

}  // namespace veltra::fit
