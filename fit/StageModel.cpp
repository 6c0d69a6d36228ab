#include "fit/StageModel.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "fit/PowerCurve.h"
#include "fit/SectionPlacement.h"

namespace veltra::fit {

namespace {

using namespace placement;
// Kept free of the constraints while fitting, for the float designs' few hundredths of a dB.
constexpr double kMargin = 0.03;
// With the target's level free, a stage that cuts everything by some dB fits as well as one that
// does not, and costs the listener that much loudness: a small price on the stage's mean level
// keeps it near 0 dB on average.
constexpr double kLevelWeight = 1e-6;
// Sections that cancel each other (a deep cut under a pile of boosts) cost headroom and
// precision for a few hundredths of a dB: each dB of a section's gain has a small price.
constexpr double kGainWeight = 1e-8;

void bounds(const FitProblem& p, int type, double* lower, double* upper) {
    const double top = std::min(p.hz.back(), 0.45 * p.rate);
    lower[0] = std::log2(p.hz.front());
    upper[0] = std::log2(top);
    lower[1] = kMaxCutDb;
    upper[1] = p.maxBoostDb;
    const bool shelf = type != kPeak;
    lower[2] = std::log2(shelf ? kMinShelfQ : kMinPeakQ);
    upper[2] = std::log2(shelf ? kMaxShelfQ : kMaxPeakQ);
}

}  // namespace

StageModel::StageModel(const FitProblem& p, std::vector<int> types)
    : problem_(&p),
      types_(std::move(types)),
      fitPhi_(PowerCurve::phiOf(p.hz, p.rate)),
      guardPhi_(PowerCurve::phiOf(p.guardHz, p.rate)),
      fixedFit_(p.hz.size(), 0.0),
      fixedGuard_(p.guardHz.size(), 0.0) {
    // Far from every section the stage is 0 dB, so no margin can be kept below 0 dB.
    for (double f : p.guardHz) guardLimit_.push_back(std::max(limitDb(p, f) - kMargin, 0.0));
}

Section StageModel::fromParameters(int type, const double* x) {
    return {type, std::exp2(x[0]), x[1], std::exp2(x[2])};
}

std::vector<double> StageModel::parametersOf(const std::vector<Section>& sections) {
    std::vector<double> x;
    for (const Section& s : sections) {
        x.push_back(std::log2(s.hz));
        x.push_back(s.gainDb);
        x.push_back(std::log2(s.q));
    }
    return x;
}

std::vector<double> StageModel::levelDb(const std::vector<Section>& sections, int rate,
                                        const std::vector<double>& hz) {
    const std::vector<double> phi = PowerCurve::phiOf(hz, rate);
    std::vector<double> power(hz.size(), 1.0), out(hz.size());
    for (const Section& s : sections) {
        const PowerCurve c = PowerCurve::of(s, rate);
        for (std::size_t i = 0; i < phi.size(); ++i)
            power[i] *= c.numerator(phi[i]) / c.denominator(phi[i]);
    }
    for (std::size_t i = 0; i < phi.size(); ++i) out[i] = 10.0 * std::log10(power[i]);
    return out;
}

void StageModel::fix(const Section& s) {
    const std::vector<double> fit = levelDb({s}, problem_->rate, problem_->hz);
    const std::vector<double> guard = levelDb({s}, problem_->rate, problem_->guardHz);
    for (std::size_t i = 0; i < fit.size(); ++i) fixedFit_[i] += fit[i];
    for (std::size_t i = 0; i < guard.size(); ++i) fixedGuard_[i] += guard[i];
}

void StageModel::tighten(const std::vector<double>& db) {
    for (std::size_t i = 0; i < guardLimit_.size() && i < db.size(); ++i) guardLimit_[i] -= db[i];
}

// The derivatives come from central differences of the design's quadratics, which are smooth in
// the parameters, and the quotient rule at each point: three pairs of designs a section instead
// of three pairs of levels at every point.
void StageModel::level(const double* x, const std::vector<double>& phi,
                       const std::vector<double>& base, double* out, double* slope) const {
    constexpr double kDb = 10.0 / std::numbers::ln10;
    const std::size_t points = phi.size(), n = types_.size() * kParameters;
    const int rate = problem_->rate;
    power_.assign(points, 1.0);
    for (std::size_t s = 0; s < types_.size(); ++s) {
        const double* p = x + s * kParameters;
        const PowerCurve c = PowerCurve::of(fromParameters(types_[s], p), rate);
        PowerCurve dc[kParameters];
        for (int j = 0; slope != nullptr && j < kParameters; ++j) {
            double moved[kParameters] = {p[0], p[1], p[2]};
            const double h = j == 1 ? 1e-4 : 1e-6;
            moved[j] = p[j] + h;
            const PowerCurve up = PowerCurve::of(fromParameters(types_[s], moved), rate);
            moved[j] = p[j] - h;
            const PowerCurve down = PowerCurve::of(fromParameters(types_[s], moved), rate);
            for (int k = 0; k < 3; ++k) {
                dc[j].n[k] = (up.n[k] - down.n[k]) / (2 * h);
                dc[j].d[k] = (up.d[k] - down.d[k]) / (2 * h);
            }
        }
        for (std::size_t i = 0; i < points; ++i) {
            const double num = c.numerator(phi[i]), den = c.denominator(phi[i]);
            power_[i] *= num / den;
            if (slope == nullptr) continue;
            const double overNum = kDb / num, overDen = kDb / den;
            for (int j = 0; j < kParameters; ++j)
                slope[i * n + s * kParameters + std::size_t(j)] =
                    dc[j].numerator(phi[i]) * overNum - dc[j].denominator(phi[i]) * overDen;
        }
    }
    for (std::size_t i = 0; i < points; ++i) out[i] = base[i] + 10.0 * std::log10(power_[i]);
}

double StageModel::objectiveOf(unsigned /*n*/, const double* x, double* gradient, void* data) {
    return static_cast<const StageModel*>(data)->evaluate(x, gradient);
}

double StageModel::evaluate(const double* x, double* gradient) const {
    const FitProblem& p = *problem_;
    const std::size_t n = types_.size() * kParameters;
    const std::size_t points = p.hz.size();
    std::vector<double> stage(points), slope(gradient ? points * n : 0);
    level(x, fitPhi_, fixedFit_, stage.data(), gradient ? slope.data() : nullptr);
    std::vector<double> e(points);
    double mean = 0.0;
    for (std::size_t i = 0; i < points; ++i) {
        e[i] = p.device[i] + stage[i] - p.target[i];
        mean += e[i];
    }
    mean /= double(points);
    double sum = 0.0, meanLevel = 0.0;
    for (std::size_t i = 0; i < points; ++i) {
        e[i] -= mean;
        sum += e[i] * e[i];
        meanLevel += stage[i];
    }
    meanLevel /= double(points);
    if (gradient != nullptr) {
        // The offset's own derivative drops out: the deviations sum to zero.
        for (std::size_t j = 0; j < n; ++j) {
            double g = 0.0, l = 0.0;
            for (std::size_t i = 0; i < points; ++i) {
                g += e[i] * slope[i * n + j];
                l += slope[i * n + j];
            }
            gradient[j] =
                2.0 * g / double(points) + 2.0 * kLevelWeight * meanLevel * l / double(points);
        }
    }
    double gains = 0.0;
    for (std::size_t s = 0; s < types_.size(); ++s) {
        const double g = x[s * kParameters + 1];
        gains += g * g;
        if (gradient != nullptr) gradient[s * kParameters + 1] += 2.0 * kGainWeight * g;
    }
    return sum / double(points) + kLevelWeight * meanLevel * meanLevel + kGainWeight * gains;
}

double StageModel::objective(const std::vector<double>& x) const {
    return evaluate(x.data(), nullptr);
}

void StageModel::limitsOf(unsigned count, double* result, unsigned /*n*/, const double* x,
                          double* gradient, void* data) {
    const StageModel& m = *static_cast<const StageModel*>(data);
    m.level(x, m.guardPhi_, m.fixedGuard_, result, gradient);
    for (unsigned i = 0; i < count; ++i) result[i] -= m.guardLimit_[i];
}

double StageModel::optimise(std::vector<double>& x, int evaluations) {
    const auto n = static_cast<unsigned>(x.size());
    nlopt_opt opt = nlopt_create(NLOPT_LD_SLSQP, n);
    std::vector<double> lower(n), upper(n);
    for (std::size_t s = 0; s < types_.size(); ++s)
        bounds(*problem_, types_[s], &lower[s * kParameters], &upper[s * kParameters]);
    for (unsigned j = 0; j < n; ++j) x[j] = std::clamp(x[j], lower[j], upper[j]);
    nlopt_set_lower_bounds(opt, lower.data());
    nlopt_set_upper_bounds(opt, upper.data());
    nlopt_set_min_objective(opt, objectiveOf, this);
    const std::vector<double> tolerance(guardLimit_.size(), 1e-4);
    nlopt_add_inequality_mconstraint(opt, static_cast<unsigned>(tolerance.size()), limitsOf, this,
                                     tolerance.data());
    nlopt_set_maxeval(opt, evaluations);
    nlopt_set_ftol_rel(opt, 1e-7);
    double reached = 0.0;
    const std::vector<double> start = x;
    const nlopt_result code = nlopt_optimize(opt, x.data(), &reached);
    if (code < 0 || !std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); })) {
        x = start;
        reached = objective(x);
    }
    nlopt_destroy(opt);
    return reached;
}

}  // namespace veltra::fit
