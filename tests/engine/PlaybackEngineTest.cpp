#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "chain/ProjectPlaybackAudioProcessChain.h"
#include "engine/PlaybackModule.h"
#include "engine/VeltraDspPlayback.h"
#include "support/Planar.h"

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
    std::uint32_t record[2] = {10003, 1};
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
    chain.handleSetParameter({10003, record});
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

}  // namespace
}  // namespace veltra
