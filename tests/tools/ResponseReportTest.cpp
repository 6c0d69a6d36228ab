#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "tools/ResponseReport.h"

namespace veltra::tools {
namespace {

TEST(ResponseReport, ColumnsAndTheTotalIsTheSumOfStages) {
    const auto table =
        computeResponse("all", 48000, 64, PlaybackAudioProcessChainProvider::defaultList());
    ASSERT_EQ(table.columns, (std::vector<std::string>{"PreEQ", "PostEQ", "PostEQ2", "total"}));
    EXPECT_DOUBLE_EQ(table.frequencies.front(), 10.0);
    EXPECT_LT(table.frequencies.back(), 24000.0);
    for (std::size_t i = 0; i < 64; ++i) {
        EXPECT_NEAR(table.decibels[3][i],
                    table.decibels[0][i] + table.decibels[1][i] + table.decibels[2][i], 1e-9);
    }
    // PostEQ is one 200 Hz second-order high-pass with Q 0.8: |H(f)| = Q there, about -1.94 dB.
    const auto post =
        computeResponse("PostEQ", 48000, 2, PlaybackAudioProcessChainProvider::defaultList());
    EXPECT_EQ(post.columns.size(), 1u);
    EXPECT_NEAR(post.decibels[0][1], 0.0, 0.05);  // flat near the top
    EXPECT_EQ(
        toCsv(computeResponse("nope", 48000, 8, PlaybackAudioProcessChainProvider::defaultList())),
        "frequency_hz\n");
}

}  // namespace
}  // namespace veltra::tools
