#include "fit/SectionPlacement.h"

#include <algorithm>
#include <cmath>

namespace veltra::fit {

using namespace placement;

namespace {

// The limits on a grid four times as fine as the fit's guard, so that no peak slips between.
// Where they are broken, the frequency of the worst excess and the excess.
struct Excess {
    double hz = 0.0, db = 0.0;
};

Excess worstExcess(const FitProblem& p, const std::vector<Section>& sections) {
    std::vector<double> hz;
    const double octaves = std::log2(p.guardHz.back() / p.guardHz.front());
    for (int i = 0; i <= static_cast<int>(octaves * 96.0); ++i)
        hz.push_back(p.guardHz.front() * std::exp2(i / 96.0));
    const std::vector<double> level = EqualiserFit::stageDb(sections, p.rate, hz);
    Excess worst;
    for (std::size_t i = 0; i < level.size(); ++i) {
        const double excess = level[i] - (limitDb(p, hz[i]) + kFloatSlackDb);
        if (excess > worst.db) worst = {hz[i], excess};
    }
    return worst;
}

}  // namespace

// The boosts that raise the stage where the limits are broken worst are scaled down together, by
// the least factor that mends it, and so on while any limit is broken: a section that breaks
// them (a float design's rounding under a low section, a boost next to a roll-off) does not
// take every other boost down with it.
void SectionPlacement::keepLimits(const FitProblem& p, std::vector<Section>& sections) {
    for (int round = 0; round < kLimitRounds; ++round) {
        const Excess excess = worstExcess(p, sections);
        if (excess.db <= 0.0) return;
        std::vector<bool> culprit(sections.size(), false);
        bool any = false;
        for (std::size_t s = 0; s < sections.size(); ++s) {
            if (sections[s].gainDb <= 0.0) continue;
            const double level = EqualiserFit::stageDb({sections[s]}, p.rate, {excess.hz})[0];
            culprit[s] = level > 0.1 * excess.db;
            any = any || culprit[s];
        }
        if (!any)
            for (std::size_t s = 0; s < sections.size(); ++s) culprit[s] = sections[s].gainDb > 0.0;
        auto scaled = [&](double factor) {
            std::vector<Section> out = sections;
            for (std::size_t s = 0; s < out.size(); ++s)
                if (culprit[s]) out[s].gainDb *= factor;
            return out;
        };
        // Only the excess at this frequency decides: another one is the next round's.
        const auto mended = [&](const std::vector<Section>& trial) {
            const double level = EqualiserFit::stageDb(trial, p.rate, {excess.hz})[0];
            return level <= limitDb(p, excess.hz) + kFloatSlackDb;
        };
        double low = 0.0, high = 1.0;
        for (int i = 0; i < 30; ++i) {
            const double mid = 0.5 * (low + high);
            (mended(scaled(mid)) ? low : high) = mid;
        }
        sections = scaled(low);
    }
    // Still broken after every round (it cannot be here, but the promise must hold): every boost.
    if (worstExcess(p, sections).db <= 0.0) return;
    for (Section& s : sections)
        if (s.gainDb > 0.0) s.gainDb = 0.0;
}

std::vector<Section> SectionPlacement::proposals(const FitProblem& p,
                                                 const std::vector<double>& residual) {
    struct Run {
        std::size_t first, last, peak;
        double area;
    };
    std::vector<Run> runs;
    for (std::size_t i = 0; i < residual.size();) {
        std::size_t j = i;
        Run run{i, i, i, 0.0};
        const bool above = residual[i] > 0.0;
        while (j < residual.size() && (residual[j] > 0.0) == above) {
            const double width = j + 1 < p.hz.size() ? std::log2(p.hz[j + 1] / p.hz[j]) : 0.0;
            run.area += std::fabs(residual[j]) * width;
            if (std::fabs(residual[j]) > std::fabs(residual[run.peak])) run.peak = j;
            run.last = j++;
        }
        // A boost is only wanted between the roll-offs.
        const double f = p.hz[run.peak];
        if (above || (f >= p.lowRollOffHz && f <= p.highRollOffHz && p.maxBoostDb > 0.0))
            runs.push_back(run);
        i = j;
    }
    if (runs.empty()) return {};
    // The three largest areas: where the largest cannot be met within the limits (a boost next
    // to a roll-off), the next may.
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.area > b.area; });
    std::vector<Section> out;
    for (std::size_t r = 0; r < runs.size() && r < kRunsTried; ++r) {
        const Run& best = runs[r];
        const double octaves = std::max(std::log2(p.hz[best.last] / p.hz[best.first]), 0.1);
        const double ratio = std::exp2(octaves);
        const double gain = std::clamp(-residual[best.peak], kMaxCutDb, p.maxBoostDb);
        out.push_back({kPeak, p.hz[best.peak], gain,
                       std::clamp(std::sqrt(ratio) / (ratio - 1.0), kMinPeakQ, kMaxPeakQ)});
        double mean = 0.0;
        for (std::size_t i = best.first; i <= best.last; ++i) mean += residual[i];
        mean = std::clamp(-mean / double(best.last - best.first + 1), kMaxCutDb, p.maxBoostDb);
        if (best.first == 0) out.push_back({kLowShelf, p.hz[best.last], mean, 0.7});
        if (best.last + 1 == p.hz.size()) out.push_back({kHighShelf, p.hz[best.first], mean, 0.7});
    }
    return out;
}

}  // namespace veltra::fit
