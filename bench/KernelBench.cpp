// Each effect stage on its default settings, one 64-frame stereo block at 48000 Hz at a time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

#include "BenchSignals.h"
#include "chain/OutputFade.h"
#include "chain/ParameterBlock.h"
#include "chain/PlaybackAudioProcessChainProvider.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "effects/kernels/KernelSelection.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"
#include "effects/surround/StereoWidener.h"
#include "effects/surround/SurroundKernel.h"

namespace {

using namespace veltra;

constexpr int kBlock = 64;
constexpr std::uint32_t kRate = 48000;

template <typename Make>
void runStage(benchmark::State& state, const std::string& name, Make make) {
    auto effect = make();
    effect->init();
    for (const auto& block : PlaybackAudioProcessChainProvider::defaultList()) {
        if (block->name == name) effect->setParameters(*block);
    }
    auto l = bench::noise(kBlock, 1), r = bench::noise(kBlock, 2);
    std::vector<float> ol(kBlock), orr(kBlock);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    for (auto _ : state) {
        effect->process(in, out, kBlock);
        benchmark::DoNotOptimize(ol.data());
        benchmark::DoNotOptimize(orr.data());
    }
    bench::reportPerFrame(state, kBlock);
    effect->release();
}

void BM_Gain_Headroom(benchmark::State& state) {
    runStage(state, "Headroom", [] { return std::make_unique<GainAudioEffectObject>(2); });
}
void BM_Eq_PreEQ(benchmark::State& state) {
    runStage(state, "PreEQ", [] { return std::make_unique<EqAudioEffectObject>(2, kRate); });
}
void BM_Eq_PostEQ2(benchmark::State& state) {
    runStage(state, "PostEQ2", [] { return std::make_unique<EqAudioEffectObject>(2, kRate); });
}
void BM_Limiter(benchmark::State& state) {
    runStage(state, "Limiter", [] { return std::make_unique<LimiterAudioEffectObject>(2, kRate); });
}
void BM_Surround(benchmark::State& state) {
    runStage(state, "Halvorn_Surround",
             [] { return std::make_unique<HalvornSurroundAudioEffectObject>(kRate); });
}

// The output fade at rest (gain 1) and while a fade runs.
void BM_Fade(benchmark::State& state) {
    const bool fading = state.range(0) != 0;
    OutputFade fade;
    auto l = bench::noise(kBlock, 1), r = bench::noise(kBlock, 2);
    std::vector<float> ol(kBlock), orr(kBlock);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is unused
    for (auto _ : state) {
        if (fading && fade.rate() == 0.0f) fade.start();
        fade.apply(in, out, 2, kBlock, kRate, [] {});
        benchmark::DoNotOptimize(ol.data());
    }
    bench::reportPerFrame(state, kBlock);
}

// The widener's kernel alone over one 64-frame block in place, the input restored each time (a
// copy of 128 floats, a few per cent of the figure).
void BM_WidenerKernel(benchmark::State& state) {
    StereoWidener widener(kRate);
    widener.useKernels(kernels::KernelSelection::choose());
    widener.load(SurroundKernel::presetRow(0));
    const auto l = bench::noise(kBlock, 1), r = bench::noise(kBlock, 2);
    std::vector<float> wl(kBlock), wr(kBlock);
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is unused
    for (auto _ : state) {
        std::copy(l.begin(), l.end(), wl.begin());
        std::copy(r.begin(), r.end(), wr.begin());
        widener.process(wl.data(), wr.data(), kBlock);
        benchmark::DoNotOptimize(wl.data());
        benchmark::DoNotOptimize(wr.data());
    }
    bench::reportPerFrame(state, kBlock);
}

// The equaliser's kernel alone: one group of `sections` stereo sections (a stable resonant
// section each) over `frames`. The chain's 64-frame block includes the pipeline's fill and
// drain; a long run shows the steady step.
void BM_EqKernel(benchmark::State& state) {
    const auto sections = static_cast<int>(state.range(0));
    const auto frames = static_cast<int>(state.range(1));
    const kernels::KernelTable& table = kernels::KernelSelection::choose();
    kernels::EqLanes group;
    group.count = std::min(sections, table.eqGroupWidth);
    for (int j = 0; j < group.count; ++j) {
        const float k[5] = {0.9f, -1.7f, 0.8f, 1.75f, -0.77f};  // poles at radius 0.88
        for (int i = 0; i < 5; ++i) group.k[i][j] = k[i];
    }
    kernels::EqLaneState lanes[2] = {};
    const auto l = bench::noise(std::size_t(frames), 1), r = bench::noise(std::size_t(frames), 2);
    std::vector<float> ol(l.size()), orr(r.size());
    const float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is unused
    for (auto _ : state) {
        table.eqGroup(group, lanes, 2, in, out, frames);
        benchmark::DoNotOptimize(ol.data());
        benchmark::DoNotOptimize(orr.data());
    }
    bench::reportPerFrame(state, frames);
}

// The clock this run got: a chain of dependent integer additions, one cycle each on every x86-64
// core. "ghz" turns the other figures into cycles per frame, which, unlike nanoseconds, can be set
// against an instruction chain's latency.
void BM_Clock(benchmark::State& state) {
    constexpr int kAdds = 1 << 16;
    std::uint64_t x = 0;
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is unused
    for (auto _ : state) {
        // Eight additions per pass: with one, the loop's own branch could set the pace (two
        // cycles a pass where the loop straddles a fetch boundary), not the chain.
        for (int i = 0; i < kAdds; i += 8) {
            const auto step = static_cast<std::uint64_t>(i);
            const auto add = [&x, step] {
                x += step;
                asm volatile("" : "+r"(x));  // keeps every addition, in order
            };
            add(), add(), add(), add(), add(), add(), add(), add();
        }
    }
    benchmark::DoNotOptimize(x);
    state.counters["ghz"] =
        benchmark::Counter(1e-9 * kAdds, benchmark::Counter::kIsIterationInvariantRate);
}
#if defined(__x86_64__)
BENCHMARK(BM_Clock);
#endif

BENCHMARK(BM_Gain_Headroom);
BENCHMARK(BM_Eq_PreEQ);
BENCHMARK(BM_Eq_PostEQ2);
BENCHMARK(BM_Limiter);
BENCHMARK(BM_Surround);
BENCHMARK(BM_WidenerKernel);
BENCHMARK(BM_EqKernel)
    ->Args({1, 64})
    ->Args({9, 64})
    ->Args({9, 1024})
    ->Args({16, 64})
    ->ArgNames({"sections", "frames"});
BENCHMARK(BM_Fade)->Arg(0)->Arg(1)->ArgName("fading");

}  // namespace
