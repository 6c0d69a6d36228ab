#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/OfflineRunner.h"
#include "tools/ResponseReport.h"

namespace veltra::tools {
namespace {

std::vector<float> stereoTone(std::size_t frames) {
    std::vector<float> x(2 * frames);
    for (std::size_t n = 0; n < frames; ++n) {
        x[2 * n] = 0.5f * std::sin(0.0577f * float(n));
        x[2 * n + 1] = 0.3f * std::sin(0.1309f * float(n));
    }
    return x;
}

// The speaker path through the tool is compared with the engine by the LV2 host test (lv2apply
// against veltradsp) and with the Windows module by the Wine host; here what only the tool does.
TEST(OfflineRunner, SpeakerLeavesAMonoFileAsItIs) {
    auto mono = std::vector<float>{0.1f, 0.2f, 0.3f};
    ASSERT_TRUE(runSpeaker(mono, 1, 48000, true, 2));
    EXPECT_EQ(mono, (std::vector<float>{0.1f, 0.2f, 0.3f}));
}

TEST(OfflineRunner, MicrophoneWritesTheFirstStreamSamplesAsTwoChannels) {
    // Each host buffer of N stereo frames: its first N samples are both streams, delayed a block.
    auto x = stereoTone(64);
    const auto original = x;
    ASSERT_TRUE(runMicrophone(x, 2, 64));
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_EQ(x[i], 0.0f);
    auto y = stereoTone(128);
    const auto first = y;
    ASSERT_TRUE(runMicrophone(y, 2, 128));
    for (std::size_t f = 64; f < 128; ++f) {
        EXPECT_EQ(y[2 * f], first[f - 64]);
        EXPECT_EQ(y[2 * f + 1], first[f - 64]);
    }
}

TEST(ResponseReport, ColumnsAndTheTotalIsTheSumOfStages) {
    const auto table = computeResponse("all", 48000, 64);
    ASSERT_EQ(table.columns, (std::vector<std::string>{"PreEQ", "PostEQ", "PostEQ2", "total"}));
    EXPECT_DOUBLE_EQ(table.frequencies.front(), 10.0);
    EXPECT_LT(table.frequencies.back(), 24000.0);
    for (std::size_t i = 0; i < 64; ++i) {
        EXPECT_NEAR(table.decibels[3][i],
                    table.decibels[0][i] + table.decibels[1][i] + table.decibels[2][i], 1e-9);
    }
    // PostEQ is one 200 Hz second-order high-pass with Q 0.8: |H(f)| = Q there, about -1.94 dB.
    const auto post = computeResponse("PostEQ", 48000, 2);
    EXPECT_EQ(post.columns.size(), 1u);
    EXPECT_NEAR(post.decibels[0][1], 0.0, 0.05);  // flat near the top
    EXPECT_EQ(toCsv(computeResponse("nope", 48000, 8)), "frequency_hz\n");
}

}  // namespace
}  // namespace veltra::tools
