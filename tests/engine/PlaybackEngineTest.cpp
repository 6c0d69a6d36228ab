#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chain/ParameterMessage.h"
#include "chain/PlaybackAudioProcessChainProvider.h"
#include "chain/ProjectPlaybackAudioProcessChain.h"
#include "engine/PlaybackModule.h"
#include "engine/VeltraDspPlayback.h"
#include "support/Planar.h"
#include "support/Playback.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

std::vector<float> signal(std::size_t samples) {
    std::vector<float> x(samples);
    for (std::size_t i = 0; i < samples; ++i)
        x[i] = 0.6f * std::sin(0.013f * float(i)) * ((i % 2) ? 0.5f : 1.0f);
    return x;
}

TEST(PlaybackEngine, FirstCallOf480FramesRunsSevenBlocksOneBlockLate) {
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    ASSERT_NE(engine, nullptr);
    std::uint32_t record[2] = {kEnhancementMessage, 1};
    sendPlaybackParameter(engine, record);
    const auto x = signal(960);
    std::vector<float> y = x;  // in place
    processPlayback(engine, y.data(), y.data(), 480);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(y[i], 0.0f);
    EXPECT_EQ(engine->inputQueue()->queue().size(), 64u);  // 32 frames x 2 channels

    // The same chain driven block by block must give the frames after the silent lead.
    ProjectPlaybackAudioProcessChain chain(std::make_unique<PlaybackAudioProcessChainProvider>());
    const std::uint32_t configuration[3] = {2, 2, 48000};
    chain.init(configuration);
    chain.handleSetParameter({kEnhancementMessage, record});
    for (int b = 0; b < 6; ++b) {
        testing::Planar in(2, std::vector<float>(64));
        for (int f = 0; f < 128; ++f) in[std::size_t(f % 2)][std::size_t(f / 2)] = x[128 * b + f];
        const auto out = testing::through(chain, std::move(in));
        for (std::size_t f = 0; f < 64 && 64 * (b + 1) + f < 480; ++f) {
            ASSERT_EQ(y[2 * (64 * (b + 1) + f)], out[0][f]) << b << " " << f;
            ASSERT_EQ(y[2 * (64 * (b + 1) + f) + 1], out[1][f]) << b << " " << f;
        }
    }
    destroyPlaybackEngine(engine);
}

TEST(PlaybackEngine, RefusesAbsurdConfigurationsAndUpmixesMono) {
    EXPECT_EQ(createPlaybackEngine(1000, 2, 48000), nullptr);

    // One input channel feeding two output channels: the working block has room for both.
    VeltraDspPlayback* upmix = createPlaybackEngine(1, 2, 48000);
    ASSERT_NE(upmix, nullptr);
    std::vector<float> mono(256, 0.25f), stereo(512, 9.0f);
    processPlayback(upmix, mono.data(), stereo.data(), 256);
    for (float v : stereo) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(stereo[0], 0.0f);
    destroyPlaybackEngine(upmix);
}

// Host buffers of many blocks hand the chain up to eight blocks a call; every block must come
// out as it does when each call carries one. The program keeps the limiters working, switches
// the enhancement (fades that switch stages at silence inside a call) and has stretches whose
// output is not finite (a NaN, a run of huge values, an infinity), after which the chain starts
// over from silence mid-call.
TEST(PlaybackEngine, CallsOfManyBlocksGiveTheSamplesOfOneBlockPerCall) {
    constexpr std::size_t kFrames = 3 * 48000 + 77;
    auto x = testing::interleave(testing::bursts(kFrames, 220.0, 9000),
                                 testing::tone(kFrames, 3100.0, 0.9, 48000, 0.2f));
    x[2 * 30011] = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t f = 70003; f < 70100; ++f) x[2 * f + 1] = 3e38f;
    x[2 * 120007 + 1] = std::numeric_limits<float>::infinity();
    const testing::Switches switches = {{0, 1}, {50021, 0}, {61000, 1}, {100003, 0}};
    const auto oneBlock = testing::playThrough(x, 64, switches);
    for (const std::size_t host : {480u, 441u, 4096u}) {
        const auto many = testing::playThrough(x, host, switches);
        EXPECT_TRUE(testing::sameBits(many, oneBlock)) << "host frames " << host;
    }
    std::size_t silent = 0;  // the recoveries left silence behind
    for (std::size_t i = 2 * 30100; i < 2 * 30300; ++i) silent += oneBlock[i] == 0.0f ? 1 : 0;
    EXPECT_GT(silent, 100u);
}

}  // namespace
}  // namespace veltra
