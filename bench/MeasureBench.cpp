// Measuring and fitting: the analysis of a 5-second sweep beside the two FFTs of its length that
// it cannot do without, and the fit of 4, 8 and 16 sections to one simulated speaker.
#include <benchmark/benchmark.h>

#include <cmath>

#include "fit/EqualiserFit.h"
#include "measure/RealFft.h"
#include "measure/SweepAnalysis.h"
#include "support/Cookbook.h"

namespace {

using namespace veltra;

const std::vector<testing::Cookbook> kSpeaker = {{"HP", 90, 0, 0.7},
                                                 {"PK", 1200, 6, 4},
                                                 {"PK", 3500, -5, 1.5},
                                                 {"PK", 8000, 7, 3},
                                                 {"HS", 5000, -3, 0.7}};

std::vector<float> recording(const measure::SweepSignal& sweep) {
    const auto x = sweep.samples();
    std::vector<double> y(2000, 0.0);
    y.insert(y.end(), x.begin(), x.end());
    y = testing::cookbookFilter(kSpeaker, 48000, y);
    return {y.begin(), y.end()};
}

void BM_AnalyseSweep(benchmark::State& state) {
    const measure::SweepSignal sweep(measure::SweepSpec{});
    const auto recorded = recording(sweep);
    for ([[maybe_unused]] auto _ : state)
        benchmark::DoNotOptimize(measure::SweepAnalysis::analyse(sweep, recorded));
}
BENCHMARK(BM_AnalyseSweep)->Unit(benchmark::kMillisecond);

// The floor under the analysis: the forward transforms of the sweep and of the recording.
void BM_SweepTransforms(benchmark::State& state) {
    const measure::SweepSignal sweep(measure::SweepSpec{});
    const auto recorded = recording(sweep);
    const measure::RealFft fft(recorded.size() + sweep.totalFrames());
    for ([[maybe_unused]] auto _ : state) {
        benchmark::DoNotOptimize(fft.forward(recorded));
        benchmark::DoNotOptimize(fft.forward(sweep.samples()));
    }
}
BENCHMARK(BM_SweepTransforms)->Unit(benchmark::kMillisecond);

void BM_Fit(benchmark::State& state) {
    fit::FitProblem p;
    p.sections = static_cast<int>(state.range(0));
    p.lowRollOffHz = 70;
    for (int i = 0; i <= 24 * 8; ++i) {
        const double f = 80 * std::exp2(i / 24.0);
        if (f > 16000) break;
        p.hz.push_back(f);
        p.device.push_back(testing::cookbookDb(kSpeaker, f, 48000));
        p.target.push_back(0);
    }
    for (int i = 0; i <= 24 * 11; ++i) p.guardHz.push_back(10 * std::exp2(i / 24.0));
    std::size_t sections = 0;
    double rms = 0;
    for ([[maybe_unused]] auto _ : state) {
        const fit::FitResult r = fit::EqualiserFit::run(p);
        sections = r.sections.size();
        rms = r.rmsAfterDb;
    }
    state.counters["sections"] = double(sections);
    state.counters["rms_after_db"] = rms;
}
BENCHMARK(BM_Fit)->Arg(4)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace
