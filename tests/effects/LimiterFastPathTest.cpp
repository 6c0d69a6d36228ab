#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "effects/limiter/LimiterKernel.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

using testing::sameBits;

// Level steps that take a limiter with 7 dB of input gain and a -3 dB threshold through every
// state: settled (0.02, 0.1), held between the floor and the threshold (0.3), attacking (0.9, 3),
// releasing after each and settling again in the silence.
std::vector<float> staircase(std::size_t n, double hz) {
    const float levels[] = {0.02f, 0.3f, 0.9f, 0.1f, 3.0f, 0.0f, 0.3f, 0.0f};
    std::vector<float> x = testing::tone(n, hz, 1.0);
    for (std::size_t i = 0; i < n; ++i) x[i] *= levels[(i / 2900) % 8];
    return x;
}

struct Outputs {
    std::vector<float> pairA, pairB, mono;
    float gain[3];
    std::vector<int> hold;  // every kernel's hold counter after every block
};

// The mono kernel runs in place on a copy of b; a ring of `ringMs` holds up to that look-ahead.
Outputs run(const kernels::KernelTable& path, const float* settings, std::size_t block,
            float ringMs, const std::vector<float>& a, const std::vector<float>& b) {
    LimiterKernel pairA(48000, ringMs), pairB(48000, ringMs), mono(48000, ringMs);
    for (LimiterKernel* k : {&pairA, &pairB, &mono}) {
        k->useKernels(path);
        k->setParameters(settings);
    }
    Outputs out{std::vector<float>(a.size()), std::vector<float>(a.size()), b, {}, {}};
    for (std::size_t at = 0; at < a.size(); at += block) {
        const int n = int(std::min(block, a.size() - at));
        LimiterKernel::processPair(pairA, a.data() + at, out.pairA.data() + at, pairB,
                                   b.data() + at, out.pairB.data() + at, n);
        mono.process(out.mono.data() + at, out.mono.data() + at, n);
        for (const LimiterKernel* k : {&pairA, &pairB, &mono}) out.hold.push_back(k->holdCounter);
    }
    const LimiterKernel* kernels[] = {&pairA, &pairB, &mono};
    for (int i = 0; i < 3; ++i) out.gain[i] = kernels[i]->gain;
    return out;
}

// The scalar table takes every sample through the gain law; the others skip it where it would
// leave the gain unchanged, which must change no bit of output or state.
TEST(LimiterFastPath, EveryKernelPathMatchesThePerSampleLawBitForBit) {
    const float settings[][LimiterKernel::kParameterCount] = {
        {0.0f, 7.0f, -3.0f, -0.848f, 0.0f, 10.0f, 200.0f, 16.0f},  // the built-in tuning's
        {0.0f, 7.0f, -3.0f, -2.0f, 3.0f, 1.0f, 500.0f, 16.0f},     // a 144-sample hold
        {0.0f, 12.0f, -1.0f, -0.5f, 0.05f, 0.1f, 5.0f, 16.0f},     // three-sample hold, fast
    };
    const std::size_t n = 8 * 2900 + 500;
    std::vector<float> a = testing::bursts(n, 330, 9000), b = staircase(n, 1200);
    a[11111] = std::numeric_limits<float>::infinity();
    b[n - 300] = std::numeric_limits<float>::quiet_NaN();  // the gain turns NaN from here on
    // Delay lines of 16 samples (a look-ahead of 10 ms clamped to 15) and of 20 ms.
    for (const float ringMs : {0.0f, 20.0f})
        for (const float* s : settings)
            for (std::size_t block : {64, 37, 1, 200}) {
                const Outputs reference = run(kernels::scalarKernels(), s, block, ringMs, a, b);
                for (const kernels::KernelTable* path : testing::kernelPaths()) {
                    SCOPED_TRACE(::testing::Message()
                                 << path->name << " hold " << s[4] << " ms, attack " << s[5]
                                 << " ms, ring " << ringMs << " ms, blocks of " << block);
                    const Outputs out = run(*path, s, block, ringMs, a, b);
                    EXPECT_TRUE(sameBits(out.pairA, reference.pairA));
                    EXPECT_TRUE(sameBits(out.pairB, reference.pairB));
                    EXPECT_TRUE(sameBits(out.mono, reference.pairB));
                    for (int i = 0; i < 3; ++i)
                        EXPECT_TRUE(sameBits(&out.gain[i], &reference.gain[i], 1));
                    EXPECT_EQ(out.hold, reference.hold);
                }
            }
}

}  // namespace
}  // namespace veltra
