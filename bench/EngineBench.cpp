// The whole speaker and microphone paths through their engines, as the processing objects call
// them, with the heap allocations of the timed calls counted (the steady state must make none).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <vector>

#include "BenchSignals.h"
#include "chain/ParameterMessage.h"
#include "effects/kernels/FlushDenormals.h"
#include "engine/CaptureModule.h"
#include "engine/PlaybackModule.h"
#include "presets/Tuning.h"
#include "support/AllocationCounter.h"

namespace {

using namespace veltra;

// The calling thread's own CPU time: unlike the wall clock it stops while the thread is
// descheduled, which on a shared machine would otherwise decide the slowest call.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// Calls `process` once untimed (the queues reach their working size), then times it. Each of the
// first 4096 calls of 64 frames or more is also timed on its own in thread CPU time (for shorter
// calls the clock would cost more than the call): "worst_over_median" is the dearest call over
// the median one, the figure that decides whether a period can be missed.
template <typename Process>
void timeCalls(benchmark::State& state, double frames, double rate, Process process) {
    process();
    std::vector<double> periods;
    periods.reserve(frames >= 64 ? 4096 : 0);
    const long before = support::allocationCount();
    for (auto _ : state) {
        const double start = threadSeconds();
        process();
        if (periods.size() < periods.capacity()) periods.push_back(threadSeconds() - start);
    }
    state.counters["allocs_per_call"] =
        double(support::allocationCount() - before) / double(state.iterations());
    if (!periods.empty()) {
        const double worst = *std::max_element(periods.begin(), periods.end());
        std::nth_element(periods.begin(), periods.begin() + long(periods.size() / 2),
                         periods.end());
        state.counters["worst_over_median"] = worst / periods[periods.size() / 2];
    }
    bench::reportPerFrame(state, frames);
    bench::reportRealTimeFactor(state, frames, rate);
}

// Stereo 48000 Hz, enhancement on, host buffers of the given size.
void BM_Speaker(benchmark::State& state) {
    const auto frames = static_cast<std::uint32_t>(state.range(0));
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {kEnhancementMessage, 1};
    sendPlaybackParameter(engine, record);
    auto source = bench::noise(2 * std::size_t(frames));
    std::vector<float> buffer(source.size());
    // Past the first fade cycle (200 ms), so the timing is of the steady state.
    for (int i = 0; i < 48000 / 4; i += int(frames)) {
        buffer = source;
        processPlayback(engine, buffer.data(), buffer.data(), frames);
    }
    timeCalls(state, frames, 48000.0, [&] {
        std::copy(source.begin(), source.end(), buffer.begin());
        processPlayback(engine, buffer.data(), buffer.data(), frames);
        benchmark::DoNotOptimize(buffer.data());
    });
    destroyPlaybackEngine(engine);
}
BENCHMARK(BM_Speaker)->Arg(480)->Arg(441)->Arg(1)->Arg(4096)->ArgName("host_frames");

// A call while stages glide to new values against a steady call, 480-frame host buffers: a new
// glide starts as soon as the last one ends, between two tunings that differ in one PreEQ band
// (one stage glides) or in a value of every stage (all seven do).
void BM_SpeakerGlide(benchmark::State& state) {
    const auto frames = static_cast<std::uint32_t>(state.range(1));
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {kEnhancementMessage, 1};
    sendPlaybackParameter(engine, record);
    presets::Tuning tunings[2] = {presets::Tuning::builtIn(), presets::Tuning::builtIn()};
    for (const presets::Parameter& p : presets::allParameters()) {
        const bool all = state.range(0) == 7;
        if (p.symbol() == "pre_eq_band4_gain_db" ||
            (all &&
             (p.symbol() == "headroom_gain_db" || p.symbol() == "limiter_threshold_db" ||
              p.symbol() == "post_eq_band1_freq_hz" || p.symbol() == "surround_side_gain_db" ||
              p.symbol() == "post_eq2_band1_freq_hz" || p.symbol() == "limiter2_threshold_db")))
            tunings[1].set(p, tunings[0].value(p) - 1.0f);
    }
    auto source = bench::noise(2 * std::size_t(frames));
    std::vector<float> buffer(source.size());
    for (int i = 0; i < 48000 / 4; i += int(frames)) {
        buffer = source;
        processPlayback(engine, buffer.data(), buffer.data(), frames);
    }
    std::size_t next = 1;
    timeCalls(state, frames, 48000.0, [&] {
        if (state.range(0) != 0 && !playbackRetunePending(engine) &&
            retunePlayback(engine, tunings[next].blocks(), true))
            next ^= 1;
        std::copy(source.begin(), source.end(), buffer.begin());
        processPlayback(engine, buffer.data(), buffer.data(), frames);
        benchmark::DoNotOptimize(buffer.data());
    });
    destroyPlaybackEngine(engine);
}
BENCHMARK(BM_SpeakerGlide)
    ->Args({0, 480})
    ->Args({1, 480})
    ->Args({7, 480})
    ->ArgNames({"gliding_stages", "host_frames"});

// The speaker path fed with denormal samples (noise scaled to about 1e-39) or with silence after
// loud audio, whose filter tails decay through the denormal range; once as the bare engine and
// once in the floating-point mode the processing objects and the offline host run it in.
void BM_SpeakerQuietInput(benchmark::State& state) {
    const bool denormal = state.range(0) == 0;
    const bool flush = state.range(1) != 0;
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {kEnhancementMessage, 1};
    sendPlaybackParameter(engine, record);
    auto loud = bench::noise(2 * 480);
    std::vector<float> source(loud.size(), 0.0f);
    if (denormal) {
        for (std::size_t i = 0; i < source.size(); ++i) source[i] = loud[i] * 1.0e-38f;
    }
    std::vector<float> buffer(source.size());
    for (int i = 0; i < 25; ++i) {  // past the fade cycle, with real signal in every state
        std::copy(loud.begin(), loud.end(), buffer.begin());
        processPlayback(engine, buffer.data(), buffer.data(), 480);
    }
    timeCalls(state, 480, 48000.0, [&] {
        std::copy(source.begin(), source.end(), buffer.begin());
        if (flush) {
            const kernels::ScopedFlushDenormals mode;
            processPlayback(engine, buffer.data(), buffer.data(), 480);
        } else {
            processPlayback(engine, buffer.data(), buffer.data(), 480);
        }
        benchmark::DoNotOptimize(buffer.data());
    });
    destroyPlaybackEngine(engine);
}
BENCHMARK(BM_SpeakerQuietInput)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"silence_after_audio", "flush"});

// The microphone object's call: one 2-channel 16000 Hz buffer as reference, microphone and output.
void BM_Microphone(benchmark::State& state) {
    const auto frames = static_cast<std::uint32_t>(state.range(0));
    VeltraDspCapture* engine = createCaptureEngine();
    auto source = bench::noise(2 * std::size_t(frames));
    std::vector<float> buffer(source.size());
    timeCalls(state, frames, 16000.0, [&] {
        std::copy(source.begin(), source.end(), buffer.begin());
        processCapture(engine, buffer.data(), buffer.data(), buffer.data(), frames);
        benchmark::DoNotOptimize(buffer.data());
    });
    destroyCaptureEngine(engine);
}
BENCHMARK(BM_Microphone)->Arg(160)->ArgName("host_frames");

}  // namespace
