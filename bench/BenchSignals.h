#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "effects/kernels/KernelSelection.h"

namespace veltra::bench {

// Uniform noise in [-0.5, 0.5) from a fixed linear congruential sequence: the same input on every
// run, loud enough after the headroom gain to keep the limiters working.
inline std::vector<float> noise(std::size_t n, std::uint32_t seed = 12345) {
    std::vector<float> x(n);
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    return x;
}

// Time per frame, shown by the benchmark library in its own unit (for example "35.2n").
// Per-frame time, labelled with the kernel table that ran (VELTRA_ISA picks one).
inline void reportPerFrame(benchmark::State& state, double framesPerIteration) {
    state.SetLabel(veltra::kernels::KernelSelection::active().name);
    state.counters["per_frame"] =
        benchmark::Counter(framesPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

// Seconds of audio processed per second of processing time.
inline void reportRealTimeFactor(benchmark::State& state, double framesPerIteration, double rate) {
    state.counters["x_realtime"] = benchmark::Counter(
        framesPerIteration / rate, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace veltra::bench
