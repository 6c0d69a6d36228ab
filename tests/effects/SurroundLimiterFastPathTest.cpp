#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "effects/surround/SurroundLimiter.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

using testing::sameBits;

struct Limited {
    std::vector<float> left, right, mono;
    std::vector<float> state;  // both channels' gain, hold count and smoother after every block
};

// A stereo limiter over left/right and a one-channel one over a copy of `left`, in place.
Limited limit(const kernels::KernelTable& path, const float* settings, std::size_t block,
              const std::vector<float>& left, const std::vector<float>& right) {
    SurroundLimiter stereo(48000), mono(48000);
    for (SurroundLimiter* l : {&stereo, &mono}) {
        l->useKernels(path);
        l->setParameters(settings);
    }
    Limited out{std::vector<float>(left.size()), std::vector<float>(left.size()), left, {}};
    for (std::size_t at = 0; at < left.size(); at += block) {
        const int n = int(std::min(block, left.size() - at));
        const float* in[2] = {left.data() + at, right.data() + at};
        float* result[2] = {out.left.data() + at, out.right.data() + at};
        stereo.process(in, result, 2, n);
        float* self[1] = {out.mono.data() + at};
        mono.process(self, self, 1, n);
        for (int c = 0; c < 2; ++c) {
            const SurroundLimiter::Channel& ch = stereo.channel(c);
            out.state.insert(out.state.end(), {ch.gain, float(ch.holdCounter), ch.y1, ch.y2,
                                               float(ch.readPosition)});
        }
    }
    return out;
}

// The vector tables run both channels in the lanes of one register and pick the attack or the
// release by mask instead of branching; that must change no bit of output or state, in every
// state of the law (attack, hold, release) and across the delay line's wrap.
TEST(SurroundLimiterFastPath, EveryKernelPathMatchesTheScalarLawBitForBit) {
    const float settings[][SurroundLimiter::kParameterCount] = {
        {0.0f, 0.0f, -1.0f, 0.5f, 500.0f, -0.848f, 0.0f, 131.0f},  // the built-in settings
        {0.0f, 6.0f, -6.0f, 2.0f, 40.0f, -1.0f, 3.0f, 0.0f},       // a 144-sample hold, no delay
        {0.0f, 0.0f, -20.0f, 20.0f, 10.0f, -0.2f, 0.5f, 2000.0f},  // the longest delay line
    };
    // Bursts at level 4 (attack, hold, release in turn), then noise whose level crosses the
    // threshold on no pattern, which is where the paths differ most in how they run.
    std::vector<float> left = testing::bursts(24000, 330, 7000);
    std::vector<float> right = testing::bursts(24000, 1200, 3100);
    const std::vector<float> hissL = testing::tone(6000, 97, 0.2, 48000, 1.5f, 7);
    const std::vector<float> hissR = testing::tone(6000, 61, 0.2, 48000, 1.5f, 8);
    left.insert(left.end(), hissL.begin(), hissL.end());
    right.insert(right.end(), hissR.begin(), hissR.end());

    for (const float* s : settings)
        for (const std::size_t block : {64, 37, 1, 2500}) {
            const Limited want = limit(kernels::scalarKernels(), s, block, left, right);
            for (const kernels::KernelTable* path : testing::kernelPaths()) {
                SCOPED_TRACE(::testing::Message()
                             << path->name << " block " << block << " threshold " << s[2]);
                const Limited got = limit(*path, s, block, left, right);
                EXPECT_TRUE(sameBits(got.left, want.left));
                EXPECT_TRUE(sameBits(got.right, want.right));
                EXPECT_TRUE(sameBits(got.mono, want.mono));
                EXPECT_TRUE(sameBits(got.state, want.state));
            }
        }
}

}  // namespace
}  // namespace veltra
