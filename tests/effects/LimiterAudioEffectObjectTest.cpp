#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chain/ParameterBlock.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "support/Blocks.h"
#include "support/Planar.h"

namespace veltra {
namespace {

ParameterBlock limiterBlock(const std::vector<float>& p) {
    return testing::block(kEffectTypeLimiter, p);
}

std::vector<float> runMono(InternalLimiterAudioEffectObject& limiter, std::vector<float> x) {
    return testing::through(limiter, {std::move(x)})[0];
}

TEST(LimiterKernel, DefaultsDelayByFifteenAndQuietSignalPassesAtUnityGain) {
    InternalLimiterAudioEffectObject limiter(48000);
    limiter.init();
    std::vector<float> x(4000);
    for (std::size_t n = 0; n < x.size(); ++n) x[n] = 0.5f * std::sin(0.01f * float(n));
    const auto y = runMono(limiter, x);
    EXPECT_EQ(limiter.kernel()->delay, 15);  // 2 * 48000 * 8 / 1000 - 1 = 767, held to the ring
    for (int n = 0; n < 15; ++n) EXPECT_EQ(y[n], 0.0f);
    EXPECT_EQ(limiter.kernel()->gain, 1.0f);
    // Once the gain smoother has settled the output is the input 15 samples late times one constant
    // (the smoother's float steady state, within 1e-3 of unity).
    const double scale = double(y[3100]) / double(x[3085]);
    EXPECT_NEAR(scale, 1.0, 1e-3);
    for (std::size_t n = 3000; n < x.size(); ++n) {
        if (std::fabs(x[n - 15]) > 0.05f) {
            EXPECT_NEAR(y[n] / x[n - 15], scale, 1e-5) << n;
        }
    }
}

TEST(LimiterKernel, StepFarAboveThresholdFallsByTheAttackFactorPerSample) {
    InternalLimiterAudioEffectObject limiter(48000);
    limiter.init();
    runMono(limiter, {0.0f});  // derive the factors
    const float a = limiter.kernel()->attackFactor;
    EXPECT_NEAR(a, std::pow(10.0, -1000.0 / (48000.0 * 8.0)), 1e-7);  // -20 dB per 8 ms
    EXPECT_NEAR(limiter.kernel()->releaseFactor, std::exp(-1.0 / (0.5 * 48000.0)), 1e-7);
    float expected = 1.0f;
    for (int n = 0; n < 200; ++n) {
        runMono(limiter, {4.0f});
        expected *= a;
        ASSERT_EQ(limiter.kernel()->gain, expected) << n;
    }
}

TEST(LimiterKernel, PassThroughSwitchAndParameterBlockRestart) {
    for (float p0 : {1.0f, 1.7f}) {
        InternalLimiterAudioEffectObject limiter(44100);
        limiter.setParameters(limiterBlock({p0, 12.0f, -20.0f}));
        const std::vector<float> x{0.9f, -3.0f, 0.1f};
        EXPECT_EQ(runMono(limiter, x), x);
    }
    InternalLimiterAudioEffectObject limiter(48000);
    limiter.setParameters(limiterBlock({2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.05f, 500.0f}));
    const std::vector<float> ones(64, 0.25f);
    runMono(limiter, ones);
    // 0.05 ms attack is held at 0.1 ms: D = trunc(2 * 48000 * 0.1 / 1000) - 1 = 8.
    EXPECT_EQ(limiter.kernel()->delay, 8);
    limiter.setParameters(limiterBlock({2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.05f, 500.0f}));
    const auto y = runMono(limiter, ones);
    for (int n = 0; n < 8; ++n) EXPECT_EQ(y[n], 0.0f) << n;
    EXPECT_GT(y[8], 0.0f);
}

TEST(LimiterAudioEffectObject, ChannelsKeepIndependentGainsAndNothingTurnsNonFinite) {
    LimiterAudioEffectObject limiter(2, 48000);
    limiter.init();
    limiter.setParameters(limiterBlock({0.0f, 0.0f, -6.0f, 0.0f, 0.0f, 8.0f, 500.0f, 16.0f}));
    testing::through(limiter, {std::vector<float>(64, 0.9f), std::vector<float>(64, 0.1f)});
    EXPECT_LT(limiter.channel(0).kernel()->gain, 1.0f);
    EXPECT_EQ(limiter.channel(1).kernel()->gain, 1.0f);

    LimiterAudioEffectObject hostile(1, 0);
    hostile.init();
    hostile.setParameters(limiterBlock({0.0f, NAN, 400.0f, -1e9f, -5.0f, -1.0f, 0.0f, 0.0f}));
    const auto y = testing::through(hostile, {std::vector<float>(64, 1e30f)});
    for (float v : y[0]) EXPECT_TRUE(std::isfinite(v));

    // Found by fuzzing: the longest hold at the highest rate overflowed its counter's conversion.
    InternalLimiterAudioEffectObject longest(2147483647u);
    longest.init();
    longest.setParameters(limiterBlock({0.0f, 0.0f, -20.0f, -1.0f, 1.0e6f, 10.0f, 200.0f, 16.0f}));
    for (float v : runMono(longest, std::vector<float>(64, 0.9f))) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(longest.kernel()->holdLength, 1 << 30);
}

}  // namespace
}  // namespace veltra
