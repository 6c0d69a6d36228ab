#include "fit/EqualiserFit.h"

#include <algorithm>
#include <cmath>

#include "effects/eq/EqFilterBank.h"
#include "fit/SectionPlacement.h"
#include "fit/StageModel.h"

namespace veltra::fit {

namespace {

using namespace placement;
constexpr int kParameters = StageModel::kParameters;
constexpr int kJointEvaluations = 600, kLocalEvaluations = 60, kRepairEvaluations = 200;
constexpr int kRepairRounds = 3;
constexpr double kRollOffDb = 6.0;
constexpr double kWorthwhileDb = 0.0001;
constexpr double kIdleDb = 0.25;  // a section's gain below which it does little but cost time
constexpr double kInaudibleDb = 0.05;
constexpr double kNeedlessDb = 0.0005;  // RMS a section may be left out for

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

// RMS deviation from the target at its best level on the problem's check grid, with the double
// designs or, `played`, the float ones the equaliser runs.
double checkedDeviation(const FitProblem& p, const std::vector<Section>& sections,
                        bool played = false) {
    const bool own = !p.checkHz.empty();
    const std::vector<double>& hz = own ? p.checkHz : p.hz;
    const std::vector<double>& device = own ? p.checkDevice : p.device;
    const std::vector<double>& target = own ? p.checkTarget : p.target;
    std::vector<double> level = played ? EqualiserFit::stageDb(sections, p.rate, hz)
                                       : StageModel::levelDb(sections, p.rate, hz);
    for (std::size_t i = 0; i < hz.size(); ++i) level[i] += device[i];
    double offset = 0.0, rms = 0.0, largest = 0.0;
    EqualiserFit::deviation(level, target, offset, rms, largest);
    return rms;
}

struct Candidate {
    Section section;
    double score = 0.0;
};

std::vector<int> typesOf(const std::vector<Section>& sections) {
    std::vector<int> types;
    types.reserve(sections.size());
    for (const Section& s : sections) types.push_back(s.type);
    return types;
}

void fromParameters(const std::vector<double>& x, std::vector<Section>& sections) {
    for (std::size_t s = 0; s < sections.size(); ++s)
        sections[s] = StageModel::fromParameters(sections[s].type, &x[s * kParameters]);
}

// Values as a preset stores them (float), which is what the limits are checked on.
void roundToFloat(std::vector<Section>& sections) {
    for (Section& s : sections) {
        s.hz = double(float(s.hz));
        s.gainDb = double(float(s.gainDb));
        s.q = double(float(s.q));
    }
}

// Whether the float designs break a limit on the guard grid; `lowered` keeps, at each point, the
// most the float designs have added to the double ones so far.
bool breaksFloatLimits(const FitProblem& p, const std::vector<Section>& sections,
                       std::vector<double>& lowered) {
    const std::vector<double> ran = EqualiserFit::stageDb(sections, p.rate, p.guardHz);
    const std::vector<double> exact = StageModel::levelDb(sections, p.rate, p.guardHz);
    bool broken = false;
    for (std::size_t i = 0; i < ran.size(); ++i) {
        broken = broken || ran[i] > limitDb(p, p.guardHz[i]) + kFloatSlackDb;
        lowered[i] = std::max(lowered[i], ran[i] - exact[i]);
    }
    return broken;
}

}  // namespace

// Scaling boosts down, as keepLimits does, can undo the fit around them; moving the sections
// under a lowered limit cannot always succeed (nothing else may reach below the roll-off), so
// the closer of the two is kept.
void EqualiserFit::keepFloatLimits(const FitProblem& p, std::vector<Section>& sections) {
    roundToFloat(sections);
    std::vector<double> lowered(p.guardHz.size(), 0.0);
    if (!breaksFloatLimits(p, sections, lowered)) return;
    std::vector<Section> scaled = sections, moved = sections;
    SectionPlacement::keepLimits(p, scaled);
    for (int round = 0; round < kRepairRounds; ++round) {
        StageModel model(p, typesOf(moved));
        model.tighten(lowered);
        std::vector<double> x = StageModel::parametersOf(moved);
        model.optimise(x, kRepairEvaluations);
        fromParameters(x, moved);
        roundToFloat(moved);
        if (!breaksFloatLimits(p, moved, lowered)) break;
    }
    SectionPlacement::keepLimits(p, moved);
    sections =
        checkedDeviation(p, moved, true) < checkedDeviation(p, scaled, true) ? moved : scaled;
}

FitResult EqualiserFit::run(const FitProblem& p) {
    FitResult result;
    const std::size_t points = p.hz.size();
    std::vector<double> residual(points);
    auto updateResidual = [&](const std::vector<Section>& placed) {
        const std::vector<double> stage = StageModel::levelDb(placed, p.rate, p.hz);
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
            StageModel current(p, {});
            for (const Section& s : placed) current.fix(s);
            const double now = current.objective({});
            Candidate best;
            best.score = -1.0;
            for (const Section& proposal : SectionPlacement::proposals(p, residual)) {
                StageModel local(p, {proposal.type});
                for (const Section& s : placed) local.fix(s);
                std::vector<double> x = StageModel::parametersOf({proposal});
                const double score = local.optimise(x, kLocalEvaluations);
                if (best.score < 0.0 || score < best.score)
                    best = {StageModel::fromParameters(proposal.type, x.data()), score};
            }
            // A section that takes less than this off the deviation is not worth it.
            if (best.score < 0.0 || std::sqrt(now) - std::sqrt(best.score) < kWorthwhileDb) return;
            placed.push_back(best.section);
        }
    };
    // Then all of them together.
    const auto moveJointly = [&] {
        if (placed.empty()) return;
        StageModel joint(p, typesOf(placed));
        std::vector<double> x = StageModel::parametersOf(placed);
        joint.optimise(x, kJointEvaluations);
        fromParameters(x, placed);
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
    // Sections that ended up doing nothing audible are left out, unless the fit needs them: at a
    // few thousandths of a dB from the target, a 0.02 dB section can be half of what is left.
    for (std::size_t s = placed.size(); s-- > 0;) {
        if (std::fabs(placed[s].gainDb) >= kInaudibleDb) continue;
        std::vector<Section> without = placed;
        without.erase(without.begin() + long(s));
        if (checkedDeviation(p, without) - checkedDeviation(p, placed) < kNeedlessDb)
            placed = without;
    }
    keepFloatLimits(p, placed);
    // What the fit's grid could not see (a peak between its points) is mended by scaling.
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
