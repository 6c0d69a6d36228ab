#include "fit/EqualiserFit.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

#include "effects/eq/EqFilterBank.h"
#include "fit/SectionPlacement.h"

namespace veltra::fit {

namespace {

using namespace placement;
constexpr int kParameters = 3;  // log2 frequency, gain, log2 Q
// Kept free of the constraints while fitting, for the float designs' few hundredths of a dB.
constexpr double kMargin = 0.03;
constexpr int kJointEvaluations = 600, kLocalEvaluations = 60;
constexpr double kRollOffDb = 6.0;
// With the target's level free, a stage that cuts everything by some dB fits as well as one that
// does not, and costs the listener that much loudness: a small price on the stage's mean level
// keeps it near 0 dB on average.
constexpr double kLevelWeight = 1e-6;
constexpr double kGainWeight = 1e-8;
constexpr double kWorthwhileDb = 0.0001;
constexpr double kIdleDb = 0.25;  // a section's gain below which it does little but cost time

struct Grid {
    std::vector<std::complex<double>> z1;
    explicit Grid(const std::vector<double>& hz, int rate) {
        for (double f : hz) z1.push_back(std::polar(1.0, -2.0 * std::numbers::pi * f / rate));
    }
};

// A section's level at every grid point, from the double-precision design.
void sectionDb(const Section& s, int rate, const Grid& grid, double* out) {
    double c[5];
    EqFilterBank::designBandExact(s.hz, s.gainDb, s.q, s.type, rate, c);
    for (std::size_t i = 0; i < grid.z1.size(); ++i)
        out[i] = 10.0 * std::log10(EqFilterBank::powerGain(c, grid.z1[i]));
}

Section fromParameters(int type, const double* x) {
    return {type, std::exp2(x[0]), x[1], std::exp2(x[2])};
}

// The fitted stage as the optimiser sees it: the sections' types fixed, their parameters free.
struct Model {
    const FitProblem* problem;
    std::vector<int> types;
    std::vector<Section> fixed;  // placed before and not moved (a local step)
    Grid fitGrid, guardGrid;
    std::vector<double> guardLimit;
    std::vector<double> fixedFit, fixedGuard;  // the fixed sections' sum on each grid

    Model(const FitProblem& p, std::vector<int> t)
        : problem(&p), types(std::move(t)), fitGrid(p.hz, p.rate), guardGrid(p.guardHz, p.rate) {
        for (double f : p.guardHz) {
            const bool inside = f >= p.lowRollOffHz && f <= p.highRollOffHz;
            // Far from every section the stage is 0 dB, so no margin can be kept below 0 dB.
            guardLimit.push_back(inside ? std::max(p.maxBoostDb - kMargin, 0.0) : 0.0);
        }
        fixedFit.assign(p.hz.size(), 0.0);
        fixedGuard.assign(p.guardHz.size(), 0.0);
    }

    void fix(const Section& s) {
        fixed.push_back(s);
        std::vector<double> level(std::max(fixedFit.size(), fixedGuard.size()));
        sectionDb(s, problem->rate, fitGrid, level.data());
        for (std::size_t i = 0; i < fixedFit.size(); ++i) fixedFit[i] += level[i];
        sectionDb(s, problem->rate, guardGrid, level.data());
        for (std::size_t i = 0; i < fixedGuard.size(); ++i) fixedGuard[i] += level[i];
    }

    // The stage's level on a grid and, when `slope` is given, its derivative by each parameter
    // (central differences of the smooth design; slope[i * n + j]).
    void level(const double* x, const Grid& grid, const std::vector<double>& base, double* out,
               double* slope) const {
        const std::size_t points = grid.z1.size(), n = types.size() * kParameters;
        std::copy(base.begin(), base.end(), out);
        std::vector<double> one(points), up(points), down(points);
        for (std::size_t s = 0; s < types.size(); ++s) {
            const double* p = x + s * kParameters;
            sectionDb(fromParameters(types[s], p), problem->rate, grid, one.data());
            for (std::size_t i = 0; i < points; ++i) out[i] += one[i];
            if (slope == nullptr) continue;
            for (int j = 0; j < kParameters; ++j) {
                double moved[kParameters] = {p[0], p[1], p[2]};
                const double h = j == 1 ? 1e-4 : 1e-6;
                moved[j] = p[j] + h;
                sectionDb(fromParameters(types[s], moved), problem->rate, grid, up.data());
                moved[j] = p[j] - h;
                sectionDb(fromParameters(types[s], moved), problem->rate, grid, down.data());
                for (std::size_t i = 0; i < points; ++i)
                    slope[i * n + s * kParameters + std::size_t(j)] = (up[i] - down[i]) / (2 * h);
            }
        }
    }
};

// Mean squared deviation from the target at its best level, and its gradient.
double objective(unsigned n, const double* x, double* gradient, void* data) {
    const Model& m = *static_cast<const Model*>(data);
    const FitProblem& p = *m.problem;
    const std::size_t points = p.hz.size();
    std::vector<double> stage(points), slope(gradient ? points * n : 0);
    m.level(x, m.fitGrid, m.fixedFit, stage.data(), gradient ? slope.data() : nullptr);
    std::vector<double> e(points);
    double mean = 0.0;
    for (std::size_t i = 0; i < points; ++i) {
        e[i] = p.device[i] + stage[i] - p.target[i];
        mean += e[i];
    }
    mean /= double(points);
    double sum = 0.0, level = 0.0;
    for (std::size_t i = 0; i < points; ++i) {
        e[i] -= mean;
        sum += e[i] * e[i];
        level += stage[i];
    }
    level /= double(points);
    if (gradient != nullptr) {
        // The offset's own derivative drops out: the deviations sum to zero.
        for (unsigned j = 0; j < n; ++j) {
            double g = 0.0, l = 0.0;
            for (std::size_t i = 0; i < points; ++i) {
                g += e[i] * slope[i * n + j];
                l += slope[i * n + j];
            }
            gradient[j] =
                2.0 * g / double(points) + 2.0 * kLevelWeight * level * l / double(points);
        }
    }
    // Sections that cancel each other (a deep cut under a pile of boosts) cost headroom and
    // precision for a few hundredths of a dB: each dB of a section's gain has a small price.
    double gains = 0.0;
    for (std::size_t s = 0; s < m.types.size(); ++s) {
        const double g = x[s * kParameters + 1];
        gains += g * g;
        if (gradient != nullptr) gradient[s * kParameters + 1] += 2.0 * kGainWeight * g;
    }
    return sum / double(points) + kLevelWeight * level * level + kGainWeight * gains;
}

void limits(unsigned count, double* result, unsigned /*n*/, const double* x, double* gradient,
            void* data) {
    const Model& m = *static_cast<const Model*>(data);
    m.level(x, m.guardGrid, m.fixedGuard, result, gradient);
    for (unsigned i = 0; i < count; ++i) result[i] -= m.guardLimit[i];
}

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

// Moves the model's sections from x; returns the objective reached.
double optimise(Model& model, std::vector<double>& x, int evaluations) {
    const auto n = static_cast<unsigned>(x.size());
    nlopt_opt opt = nlopt_create(NLOPT_LD_SLSQP, n);
    std::vector<double> lower(n), upper(n);
    for (std::size_t s = 0; s < model.types.size(); ++s)
        bounds(*model.problem, model.types[s], &lower[s * kParameters], &upper[s * kParameters]);
    for (unsigned j = 0; j < n; ++j) x[j] = std::clamp(x[j], lower[j], upper[j]);
    nlopt_set_lower_bounds(opt, lower.data());
    nlopt_set_upper_bounds(opt, upper.data());
    nlopt_set_min_objective(opt, objective, &model);
    const std::vector<double> tolerance(model.guardLimit.size(), 1e-4);
    nlopt_add_inequality_mconstraint(opt, static_cast<unsigned>(tolerance.size()), limits, &model,
                                     tolerance.data());
    nlopt_set_maxeval(opt, evaluations);
    nlopt_set_ftol_rel(opt, 1e-7);
    double reached = 0.0;
    std::vector<double> start = x;
    const nlopt_result code = nlopt_optimize(opt, x.data(), &reached);
    if (code < 0 || !std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); })) {
        x = start;  // a failed run keeps where it began
        reached = objective(n, x.data(), nullptr, &model);
    }
    nlopt_destroy(opt);
    return reached;
}

}  // namespace

std::vector<double> EqualiserFit::stageDb(const std::vector<Section>& sections, int rate,
                                          const std::vector<double>& hz) {
    std::vector<double> out(hz.size(), 0.0);
    for (const Section& s : sections) {
        float c[5];
        EqFilterBank::designBand(float(s.hz), float(s.gainDb), float(s.q), s.type, rate, c);
        for (std::size_t i = 0; i < hz.size(); ++i)
            out[i] += 20.0 * std::log10(EqFilterBank::magnitude(c, hz[i], rate));
    }
    return out;
}

void EqualiserFit::rollOffs(const std::vector<double>& hz, const std::vector<double>& device,
                            const std::vector<double>& target, double from, double to, double& low,
                            double& high) {
    std::vector<double> inside;
    for (std::size_t i = 0; i < hz.size(); ++i)
        if (hz[i] >= from && hz[i] <= to) inside.push_back(device[i] - target[i]);
    low = hz.front();
    high = hz.back();
    if (inside.empty()) return;
    std::nth_element(inside.begin(), inside.begin() + long(inside.size() / 2), inside.end());
    const double floor = inside[inside.size() / 2] - kRollOffDb;
    // From each end inwards, the first point that reaches the floor: a dip between the ends is
    // not a roll-off, however deep.
    for (std::size_t i = 0; i < hz.size(); ++i) {
        if (device[i] - target[i] >= floor) {
            low = hz[i];
            break;
        }
    }
    for (std::size_t i = hz.size(); i-- > 0;) {
        if (device[i] - target[i] >= floor) {
            high = hz[i];
            break;
        }
    }
}

void EqualiserFit::deviation(const std::vector<double>& a, const std::vector<double>& b,
                             double& offset, double& rms, double& largest) {
    offset = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) offset += a[i] - b[i];
    offset /= double(std::max<std::size_t>(a.size(), 1));
    double sum = 0.0;
    largest = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double e = a[i] - b[i] - offset;
        sum += e * e;
        largest = std::max(largest, std::fabs(e));
    }
    rms = std::sqrt(sum / double(std::max<std::size_t>(a.size(), 1)));
}

namespace {

// Mean squared deviation from the target at its best level on the problem's check grid.
double checkedDeviation(const FitProblem& p, const std::vector<Section>& sections) {
    const bool own = !p.checkHz.empty();
    const std::vector<double>& hz = own ? p.checkHz : p.hz;
    const std::vector<double>& device = own ? p.checkDevice : p.device;
    const std::vector<double>& target = own ? p.checkTarget : p.target;
    const Grid grid(hz, p.rate);
    std::vector<double> level(hz.size(), 0.0), one(hz.size());
    for (const Section& s : sections) {
        sectionDb(s, p.rate, grid, one.data());
        for (std::size_t i = 0; i < hz.size(); ++i) level[i] += one[i];
    }
    for (std::size_t i = 0; i < hz.size(); ++i) level[i] += device[i];
    double offset = 0.0, rms = 0.0, largest = 0.0;
    EqualiserFit::deviation(level, target, offset, rms, largest);
    return rms;
}

struct Candidate {
    Section section;
    double score = 0.0;
};

std::vector<double> parametersOf(const std::vector<Section>& sections) {
    std::vector<double> x;
    for (const Section& s : sections) {
        x.push_back(std::log2(s.hz));
        x.push_back(s.gainDb);
        x.push_back(std::log2(s.q));
    }
    return x;
}

}  // namespace

FitResult EqualiserFit::run(const FitProblem& p) {
    FitResult result;
    const std::size_t points = p.hz.size();
    std::vector<double> residual(points);
    auto updateResidual = [&](const std::vector<Section>& placed) {
        std::vector<double> stage(points, 0.0);
        const Grid grid(p.hz, p.rate);
        std::vector<double> one(points);
        for (const Section& s : placed) {
            sectionDb(s, p.rate, grid, one.data());
            for (std::size_t i = 0; i < points; ++i) stage[i] += one[i];
        }
        // Against the median level, so that peaks and dips stand out from where the device is.
        for (std::size_t i = 0; i < points; ++i) residual[i] = p.device[i] + stage[i] - p.target[i];
        std::vector<double> sorted = residual;
        std::nth_element(sorted.begin(), sorted.begin() + long(points / 2), sorted.end());
        const double median = sorted[points / 2];
        for (double& r : residual) r -= median;
    };

    std::vector<Section> placed;
    // Greedy: each new section on the largest area left, the ones before it held.
    const auto placeMore = [&] {
        while (static_cast<int>(placed.size()) < p.sections) {
            updateResidual(placed);
            Model current(p, {});
            for (const Section& s : placed) current.fix(s);
            const double none[kParameters] = {};  // no free parameters
            const double now = objective(0, none, nullptr, &current);
            Candidate best;
            best.score = -1.0;
            for (const Section& proposal : SectionPlacement::proposals(p, residual)) {
                Model local(p, {proposal.type});
                for (const Section& s : placed) local.fix(s);
                std::vector<double> x = parametersOf({proposal});
                const double score = optimise(local, x, kLocalEvaluations);
                if (best.score < 0.0 || score < best.score)
                    best = {fromParameters(proposal.type, x.data()), score};
            }
            // A section that takes less than this off the deviation is not worth it.
            if (best.score < 0.0 || std::sqrt(now) - std::sqrt(best.score) < kWorthwhileDb) return;
            placed.push_back(best.section);
        }
    };
    // Then all of them together.
    const auto moveJointly = [&] {
        if (placed.empty()) return;
        std::vector<int> types;
        types.reserve(placed.size());
        for (const Section& s : placed) types.push_back(s.type);
        Model joint(p, types);
        std::vector<double> x = parametersOf(placed);
        optimise(joint, x, kJointEvaluations);
        placed.clear();
        for (std::size_t s = 0; s < types.size(); ++s)
            placed.push_back(fromParameters(types[s], &x[s * kParameters]));
    };
    placeMore();
    moveJointly();
    // Moving together, some sections give their work to others and are left with almost
    // nothing to do: they are placed again where the deviation now is largest, once, and the
    // closer of the two results is kept.
    const std::vector<Section> firstRound = placed;
    std::erase_if(placed, [](const Section& s) { return std::fabs(s.gainDb) < kIdleDb; });
    if (placed.size() < firstRound.size()) {
        placeMore();
        moveJointly();
        if (checkedDeviation(p, placed) >= checkedDeviation(p, firstRound)) placed = firstRound;
    }
    // Sections that ended up doing nothing audible are left out.
    std::erase_if(placed, [](const Section& s) { return std::fabs(s.gainDb) < 0.05; });
    for (Section& s : placed) {
        // Values as a preset stores them (float), which is what the limits are checked on.
        s.hz = double(float(s.hz));
        s.gainDb = double(float(s.gainDb));
        s.q = double(float(s.q));
    }
    SectionPlacement::keepLimits(p, placed);
    for (Section& s : placed) s.gainDb = double(float(s.gainDb));
    SectionPlacement::keepLimits(p, placed);

    result.sections = placed;
    const std::vector<double> stage = stageDb(placed, p.rate, p.hz);
    std::vector<double> after(points);
    for (std::size_t i = 0; i < points; ++i) after[i] = p.device[i] + stage[i];
    double ignored = 0.0;
    deviation(p.device, p.target, ignored, result.rmsBeforeDb, result.maxBeforeDb);
    deviation(after, p.target, result.offsetDb, result.rmsAfterDb, result.maxAfterDb);
    for (double v : stageDb(placed, p.rate, p.guardHz))
        result.largestBoostDb = std::max(result.largestBoostDb, v);
    return result;
}

}  // namespace veltra::fit
