#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "effects/eq/EqFilterBank.h"
#include "reference/ScalarEq.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"

namespace veltra {
namespace {

constexpr int kRate = 48000;

using testing::sameBits;

// A musical signal (two partials and a decaying pluck) with noise, signed zeros and, where asked,
// non-finite samples: everything that could tell a shortcut from the full cascade.
std::vector<float> signal(std::size_t n, unsigned seed, bool hostile) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        x[i] = float(0.4 * std::sin(2 * 3.14159265 * 220 * t) +
                     0.2 * std::sin(2 * 3.14159265 * 3300 * t) +
                     0.3 * std::exp(-double(i % 9600) / 900.0) * noise(random));
        if (i % 997 < 40) x[i] = (i % 2) ? -0.0f : 0.0f;  // runs of signed zeros
    }
    if (hostile) {
        x[n / 3] = std::numeric_limits<float>::infinity();
        x[n / 2] = std::numeric_limits<float>::quiet_NaN();
        x[n / 2 + 7] = 3.0e38f;
    }
    return x;
}

void expectSameAsReference(EqFilterBank& bank, std::size_t frames, int block, bool hostile,
                           bool inPlace) {
    std::vector<float> left = signal(frames, 1, hostile), right = signal(frames, 2, false);
    std::vector<float> refLeft = left, refRight = right;
    std::vector<float> outLeft(frames), outRight(frames);
    for (std::size_t at = 0; at < frames; at += std::size_t(block)) {
        const int n = int(std::min<std::size_t>(std::size_t(block), frames - at));
        float* in[2] = {left.data() + at, right.data() + at};
        float* out[2] = {outLeft.data() + at, outRight.data() + at};
        bank.process(in, inPlace ? in : out, n);
    }
    if (!inPlace) {
        left = outLeft;
        right = outRight;
    }
    reference::ScalarEq ref(2);
    ref.process(bank.coefficients.get(), refLeft, 0);
    ref.process(bank.coefficients.get(), refRight, 1);
    EXPECT_TRUE(sameBits(left, refLeft));
    EXPECT_TRUE(sameBits(right, refRight));
    EXPECT_TRUE(sameBits(bank.state.get(), ref.state.data(), 64));
}

// Runs the bank on every kernel path and the reference over the same stereo signal in blocks of
// `block` frames, in place (as a caller may) or into separate blocks (as the chain does).
void expectSameAsReference(const float* bands, std::size_t frames, int block, bool hostile,
                           bool inPlace) {
    for (const kernels::KernelTable* path : testing::kernelPaths()) {
        SCOPED_TRACE(path->name);
        EqFilterBank bank(2, kRate);
        bank.useKernels(*path);
        bank.setBandParameters(bands);
        expectSameAsReference(bank, frames, block, hostile, inPlace);
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
    }
}

}  // namespace
}  // namespace veltra
