#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "chain/ParameterBlock.h"
#include "chain/PlaybackAudioProcessChainProvider.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"
#include "engine/PlaybackModule.h"

namespace {

using namespace veltra;

std::vector<float> noise(std::size_t n) {
    std::vector<float> x(n);
    std::uint32_t state = 12345;
    for (float& v : x) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
    return x;
}

// One host buffer of 10 ms at 48 kHz through the whole speaker path.
void BM_PlaybackCall480(benchmark::State& state) {
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {10003, 1};
    sendPlaybackParameter(engine, record);
    auto buffer = noise(2 * 480);
    for (auto _ : state) {
        processPlayback(engine, buffer.data(), buffer.data(), 480);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * 480);
    destroyPlaybackEngine(engine);
}
BENCHMARK(BM_PlaybackCall480);

// One 64-frame stereo block through a stage built from its default-list parameter block.
template <typename Make>
void runStage(benchmark::State& state, const char* name, Make make) {
    auto effect = make();
    effect->init();
    for (const auto& block : PlaybackAudioProcessChainProvider::defaultList()) {
        if (block->name == name) effect->setParameters(*block);
    }
    auto l = noise(64), r = noise(64);
    std::vector<float> ol(64), orr(64);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    for (auto _ : state) {
        effect->process(in, out, 64);
        benchmark::DoNotOptimize(ol.data());
    }
    state.SetItemsProcessed(state.iterations() * 64);
    effect->release();
}

void BM_EqBlock(benchmark::State& state) {
    runStage(state, "PostEQ2", [] { return std::make_unique<EqAudioEffectObject>(2, 48000); });
}
void BM_LimiterBlock(benchmark::State& state) {
    runStage(state, "Limiter", [] { return std::make_unique<LimiterAudioEffectObject>(2, 48000); });
}
void BM_SurroundBlock(benchmark::State& state) {
    runStage(state, "Halvorn_Surround",
             [] { return std::make_unique<HalvornSurroundAudioEffectObject>(48000); });
}
BENCHMARK(BM_EqBlock);
BENCHMARK(BM_LimiterBlock);
BENCHMARK(BM_SurroundBlock);

}  // namespace
