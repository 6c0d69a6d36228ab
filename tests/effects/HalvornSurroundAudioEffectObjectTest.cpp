#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chain/ParameterBlock.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"
#include "support/Planar.h"
#include "support/Signals.h"

namespace veltra {
namespace {

using Effect = HalvornSurroundAudioEffectObject;

ParameterBlock surroundBlock(std::int32_t preset, std::int32_t intensity,
                             std::vector<float> limiter, std::vector<float> custom = {}) {
    // The block's documented positions, written out: the preset, the intensity, the custom row
    // and the limiter's eight words.
    ParameterBlock block;
    block.effectType = kEffectTypeSurround;
    block.enabled = 1;
    block.payload[256] = static_cast<std::uint32_t>(preset);
    block.payload[257] = static_cast<std::uint32_t>(intensity);
    for (std::size_t i = 0; i < custom.size(); ++i) block.setFloat(258 + i, custom[i]);
    for (std::size_t i = 0; i < limiter.size(); ++i) block.setFloat(267 + i, limiter[i]);
    return block;
}

const std::vector<float> kDefaultLimiter{0.0f, 0.0f, -1.0f, 0.5f, 500.0f, -0.848f, 0.0f, 131.0f};

// Stereo through the effect; true when both channels come out as they went in.
bool transparent(Effect& effect) {
    const testing::Planar x{{0.3f, -0.7f, 1.2f}, {-0.1f, 0.4f, 0.0f}};
    return testing::through(effect, x) == x;
}

// The custom row's widener flag with the limiter switched off, or a disabled block, leave the
// audio untouched; the custom row's intensity comes from its own range.
TEST(HalvornSurround, TheFlagsAndADisabledBlockMakeItTransparent) {
    Effect effect(48000);
    effect.init();
    effect.setParameters(
        surroundBlock(-1, 50, {1.0f}, {1.0f, 300.0f, -3.0f, 0, 0, 0, 0, -20.0f, -1.0f}));
    EXPECT_TRUE(transparent(effect));
    EXPECT_EQ(effect.kernel()->presetNumber, -1);
    EXPECT_EQ(effect.kernel()->intensity, 89);  // (-3 - -20) * 100 / 19 = 89.47 in the custom range
    ParameterBlock off = surroundBlock(0, 50, kDefaultLimiter);
    off.enabled = 0;
    effect.setParameters(off);
    effect.setEnabled(true);
    EXPECT_TRUE(transparent(effect));
}

TEST(HalvornSurround, MonoInputHasNoSideSignal) {
    // Preset 3: d1 = -15, d3 = 0, d4 = 5 dB. With L = R both side paths see zero, so
    // L' = R' = 10 G4 (M1 + G3 M2) with M1 = 2 s L (the mid filter is flat) and M2 = 2 G1 s L.
    StereoWidener widener(48000);
    widener.load(SurroundKernel::presetRow(3));
    const double s = std::pow(10.0, -1.175), g1 = std::pow(10.0, -0.75), g4 = std::pow(10.0, 0.25);
    std::vector<float> l(256), r(256);
    for (std::size_t n = 0; n < l.size(); ++n) l[n] = r[n] = 0.05f * std::sin(0.07f * float(n));
    const std::vector<float> x = l;
    widener.process(l.data(), r.data(), 256);
    for (std::size_t n = 0; n < l.size(); ++n) {
        const double expected = 10.0 * g4 * (2.0 * s * x[n] + 2.0 * g1 * s * x[n]);
        ASSERT_EQ(l[n], r[n]);
        ASSERT_NEAR(l[n], expected, 2e-4 * std::fabs(expected) + 1e-6) << n;
    }
}

TEST(HalvornSurround, SideHighPassIsAFourthOrderButterworthPerRate) {
    StereoWidener widener(96000);
    widener.load(SurroundKernel::presetRow(0));
    for (int rate : {48000, 44100, 32000}) {
        const float* c = widener.highPassFor(rate);
        auto mag = [&](double hz) {
            return std::abs(testing::response(c, hz, rate) * testing::response(c + 5, hz, rate));
        };
        EXPECT_NEAR(mag(300.0), 0.5, 1e-3) << rate;  // two -3 dB sections at the corner
        EXPECT_NEAR(mag(0.0), 0.0, 1e-6);
        EXPECT_NEAR(mag(rate / 2.0), 1.0, 1e-4);
    }
    EXPECT_EQ(widener.highPassFor(96000), widener.highPassFor(48000));
}

// Mono runs the stages on its one channel, across blocks longer than the work buffers.
TEST(HalvornSurround, MonoIsSafe) {
    Effect mono(44100, 1);
    mono.init();
    // Beyond the 1024-frame work buffers, one channel only.
    const auto om = testing::through(mono, {std::vector<float>(2000, 0.2f)})[0];
    EXPECT_TRUE(std::isfinite(om[1999]));
    EXPECT_NE(om[1999], 0.0f);
}

}  // namespace
}  // namespace veltra
