#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "effects/kernels/KernelSelection.h"
#include "engine/PlaybackModule.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"

namespace veltra {
namespace {

// Four seconds of stereo: a chord, a sweep and bursts of noise at different levels, loud enough
// for both limiters to work and quiet stretches for their release.
std::vector<float> music(int rate, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0.0f, 0.3f);
    const std::size_t frames = 4 * std::size_t(rate);
    std::vector<float> x(2 * frames);
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        const double level = (n / (rate / 4)) % 3 == 0 ? 1.6 : 0.2;
        const double chord = std::sin(2 * std::numbers::pi * 220 * t) +
                             0.5 * std::sin(2 * std::numbers::pi * 277 * t);
        const double sweep = std::sin(2 * std::numbers::pi * (50 + 4000 * t) * t);
        const float burst = (n / 2000) % 5 == 0 ? noise(random) : 0.0f;
        x[2 * n] = float(level * 0.5 * chord) + burst;
        x[2 * n + 1] = float(level * 0.5 * sweep) - burst;
    }
    return x;
}

// The whole speaker path on one kernel path, in 10 ms buffers, with the enhancement switched
// off and on again twice (each a fade out, a switch of the surround group and a fade in).
std::vector<float> speaker(const char* isa, int rate, const std::vector<float>& input) {
    setenv("VELTRA_ISA", isa, 1);
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, std::uint32_t(rate));
    unsetenv("VELTRA_ISA");
    EXPECT_STREQ(kernels::KernelSelection::active().name, isa);
    std::vector<float> out = input;
    const std::size_t buffer = std::size_t(rate) / 100, frames = input.size() / 2;
    for (std::size_t at = 0, call = 0; at < frames; at += buffer, ++call) {
        if (call % 100 == 0) {
            std::uint32_t record[2] = {10003, (call / 100) % 2 == 0 ? 1u : 0u};
            sendPlaybackParameter(engine, record);
        }
        const auto n = std::uint32_t(std::min(buffer, frames - at));
        processPlayback(engine, out.data() + 2 * at, out.data() + 2 * at, n);
    }
    destroyPlaybackEngine(engine);
    return out;
}

TEST(KernelPaths, EveryPathGivesTheScalarPathsBitsThroughTheWholeSpeakerPath) {
    for (int rate : {44100, 48000}) {
        const std::vector<float> input = music(rate, unsigned(rate));
        const std::vector<float> reference = speaker("scalar", rate, input);
        for (const kernels::KernelTable* path : testing::kernelPaths()) {
            SCOPED_TRACE(::testing::Message() << path->name << " at " << rate);
            const std::vector<float> out = speaker(path->name, rate, input);
            EXPECT_TRUE(testing::sameBits(out, reference));
        }
    }
}

TEST(KernelPaths, AMissingPathFallsBackToTheBestAvailableWithOneNotice) {
    kernels::KernelSelection::takeFallbackNotice();  // whatever an earlier test left
    setenv("VELTRA_ISA", "avx512", 1);
    const kernels::KernelTable& chosen = kernels::KernelSelection::choose();
    unsetenv("VELTRA_ISA");
    const kernels::KernelTable* best = kernels::KernelSelection::supported(kernels::Isa::Avx2);
    if (best == nullptr) best = kernels::KernelSelection::supported(kernels::Isa::Sse2);
    if (best == nullptr) best = &kernels::scalarKernels();
    EXPECT_EQ(&chosen, best);
    const char* notice = kernels::KernelSelection::takeFallbackNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_NE(std::string(notice).find("VELTRA_ISA=avx512"), std::string::npos);
    EXPECT_EQ(kernels::KernelSelection::takeFallbackNotice(), nullptr);  // once per process
}

}  // namespace
}  // namespace veltra
