#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "effects/eq/EqFilterBank.h"
#include "reference/ScalarEq.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

constexpr int kRate = 48000;

using testing::sameBits;

// Two partials over noise, with runs of signed zeros and, where asked, non-finite samples:
// everything that could tell a shortcut from the full cascade.
std::vector<float> signal(std::size_t n, unsigned seed, bool hostile) {
    std::vector<float> x = testing::tone(n, 220, 0.4, kRate, 0.3f, seed);
    const std::vector<float> high = testing::tone(n, 3300, 0.2);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] += high[i];
        if (i % 997 < 40) x[i] = (i % 2) ? -0.0f : 0.0f;
    }
    if (hostile) {
        x[n / 3] = std::numeric_limits<float>::infinity();
        x[n / 2] = std::numeric_limits<float>::quiet_NaN();
        x[n / 2 + 7] = 3.0e38f;
    }
    return x;
}

// The bank on every kernel path against the reference cascade over one stereo signal, in blocks
// of `block` frames, in place (as a caller may) or into separate blocks (as the chain does).
void expectSameAsReference(const float* bands, std::size_t frames, int block, bool hostile,
                           bool inPlace) {
    const std::vector<float> inL = signal(frames, 1, hostile), inR = signal(frames, 2, false);
    std::vector<float> refL, refR;
    reference::ScalarEq ref(2);
    for (const kernels::KernelTable* path : testing::kernelPaths()) {
        SCOPED_TRACE(path->name);
        EqFilterBank bank(2, kRate);
        bank.useKernels(*path);
        bank.setBandParameters(bands);
        std::vector<float> l = inL, r = inR, outL(frames), outR(frames);
        for (std::size_t at = 0; at < frames; at += std::size_t(block)) {
            float* in[2] = {l.data() + at, r.data() + at};
            float* out[2] = {outL.data() + at, outR.data() + at};
            bank.process(in, inPlace ? in : out, int(std::min(std::size_t(block), frames - at)));
        }
        if (refL.empty()) {  // the coefficients are designed on the first block
            refL = inL, refR = inR;
            ref.process(bank.coefficients.get(), refL, 0);
            ref.process(bank.coefficients.get(), refR, 1);
        }
        EXPECT_TRUE(sameBits(inPlace ? l : outL, refL));
        EXPECT_TRUE(sameBits(inPlace ? r : outR, refR));
        EXPECT_TRUE(sameBits(bank.state.get(), ref.state.data(), 64));
    }
}

TEST(EqFastPath, DefaultEqualisersMatchTheFullCascadeBitForBit) {
    for (const auto& block : PlaybackAudioProcessChainProvider::defaultList()) {
        if (block->effectType != kEffectTypeEqualizer) continue;
        float bands[64];
        for (int i = 0; i < 64; ++i) bands[i] = block->floatAt(std::size_t(i));
        SCOPED_TRACE(block->name);
        expectSameAsReference(bands, 5 * kRate, 64, false, false);
        expectSameAsReference(bands, 2 * kRate, 37, true, true);  // odd blocks, non-finite samples
        expectSameAsReference(bands, 2 * kRate, 64, true, false);
    }
}

TEST(EqFastPath, RandomBandsWithIdentitySectionsAnywhereMatchBitForBit) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pick(0, 15);
    const int types[] = {1, 2, 5, 6, 9, 10, 11, 12, 13, 14, 15, 16, 17, 40};
    for (int round = 0; round < 12; ++round) {
        float bands[64] = {};  // type 0 everywhere: identity sections
        for (int b = 0; b < 16; ++b) {
            if (round == 0 || pick(random) < 8) continue;  // round 0: a flat bank
            bands[4 * b + 0] = 30.0f + 1500.0f * float(pick(random));
            bands[4 * b + 1] = float(pick(random) - 8);
            bands[4 * b + 2] = 0.3f + 0.2f * float(pick(random));
            bands[4 * b + 3] = float(types[pick(random) % 14]);
        }
        SCOPED_TRACE(round);
        expectSameAsReference(bands, kRate, 64, round % 3 == 0, round % 2 == 0);
        // Blocks shorter than a wide group's pipeline, which then fills and drains at once.
        expectSameAsReference(bands, kRate / 8, 3 + 2 * round, round % 3 == 1, round % 2 == 1);
    }
}

}  // namespace
}  // namespace veltra
