#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "effects/kernels/FlushDenormals.h"
#include "effects/surround/SurroundLimiter.h"
#include "reference/ScalarSurroundLimiter.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

// A tone through levels that take the limiter through attack, hold and release and back to
// silence, with subnormal and out-of-range samples, and with infinities and a NaN at the end
// when asked (they leave the gain undefined for good).
std::vector<float> program(std::size_t n, double hz, bool nonFinite) {
    const float levels[] = {0.05f, 0.3f, 1.5f, 0.0f, 4.0f, 1e-39f, 0.2f, 3e4f};
    std::vector<float> x = testing::tone(n, hz, 1.0, 48000, 0.01f);
    for (std::size_t i = 0; i < n; ++i) x[i] *= levels[(i / 1500) % 8];
    x[n / 3] = 1e-40f;
    x[n / 2] = -std::numeric_limits<float>::max();
    if (nonFinite) {
        x[n - 40] = std::numeric_limits<float>::infinity();
        x[n - 20] = std::numeric_limits<float>::quiet_NaN();
    }
    return x;
}

struct Case {
    const float* setting;
    bool flush, nonFinite;
    int channels;
    std::size_t block;
};

// The limiter against the law on both channels' programs, block by block.
void expectTheLaw(const Case& k) {
    constexpr std::size_t kFrames = 24000;
    const auto limiter = std::make_unique<SurroundLimiter>(48000);
    limiter->setParameters(k.setting);
    const std::vector<float> in[2] = {program(kFrames, 997.0, k.nonFinite),
                                      program(kFrames, 61.0, k.nonFinite)};
    std::vector<float> out[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    std::vector<float> expected[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    const auto law = std::make_unique<SurroundLimiter::Channel[]>(2);
    law[0] = limiter->channel(0);
    law[1] = limiter->channel(1);
    std::unique_ptr<kernels::ScopedFlushDenormals> mode;
    if (k.flush) mode = std::make_unique<kernels::ScopedFlushDenormals>();
    for (std::size_t at = 0; at < kFrames; at += k.block) {
        const std::size_t n = std::min(k.block, kFrames - at);
        const float* inputs[2] = {in[0].data() + at, in[1].data() + at};
        float* outputs[2] = {out[0].data() + at, out[1].data() + at};
        limiter->process(inputs, outputs, k.channels, static_cast<int>(n));
        for (int c = 0; c < k.channels; ++c)
            for (std::size_t i = at; i < at + n; ++i)
                expected[c][i] = reference::surroundLimiterStep(law[c], in[c][i]);
    }
    mode.reset();
    for (int c = 0; c < k.channels; ++c) {
        EXPECT_TRUE(testing::sameBits(out[c], expected[c])) << "channel " << c;
        EXPECT_EQ(limiter->channel(c).holdCounter, law[c].holdCounter);
        if (!k.nonFinite) {
            EXPECT_EQ(limiter->channel(c).gain, law[c].gain);
            EXPECT_EQ(limiter->channel(c).y1, law[c].y1);
        }
    }
}

// A pre-gain of exactly 0 dB takes the level from one float product instead of the double one;
// every setting, block size, channel count and floating-point mode must give the law's samples
// and state to the bit.
TEST(SurroundLimiter, MatchesThePerSampleLawBitForBitWithAndWithoutPreGain) {
    const float settings[][SurroundLimiter::kParameterCount] = {
        {0.0f, 0.0f, -20.0f, 10.0f, 200.0f, -0.848f, 0.0f, 131.0f},  // the built-in tuning's
        {0.0f, 0.0f, -1.0f, 0.5f, 500.0f, -3.0f, 2.0f, 0.0f},        // a hold, no look-ahead
        {0.0f, 6.0f, -6.0f, 1.0f, 50.0f, -1.0f, 0.0f, 2000.0f},      // a pre-gain
    };
    for (const auto& setting : settings)
        for (const bool flush : {false, true})
            for (const bool nonFinite : {false, true})
                for (const int channels : {1, 2})
                    for (const std::size_t block : {std::size_t{64}, std::size_t{37}}) {
                        SCOPED_TRACE(::testing::Message()
                                     << "pre-gain " << setting[1] << " dB, flush " << flush
                                     << ", non-finite " << nonFinite << ", " << channels
                                     << " channels, block " << block);
                        expectTheLaw({setting, flush, nonFinite, channels, block});
                    }
}

}  // namespace
}  // namespace veltra
