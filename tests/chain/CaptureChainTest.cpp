#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "chain/CaptureAudioProcessChainProvider.h"
#include "chain/ProjectCaptureAudioProcessChain.h"
#include "engine/DebugLog.h"

namespace veltra {
namespace {

std::vector<std::string> gLines;
void collect(const char* line) {
    gLines.emplace_back(line);
}

TEST(CaptureChain, PassesThroughAndReportsEveryTenSecondsOfAudio) {
    ProjectCaptureAudioProcessChain chain(std::make_unique<CaptureAudioProcessChainProvider>());
    const std::uint32_t configuration[4] = {1, 1, 2, 16000};
    ASSERT_TRUE(chain.init(configuration));
    EXPECT_EQ(chain.inputChannels(), 2u);
    EXPECT_EQ(chain.outputChannels(), 2u);
    EXPECT_EQ(chain.sampleRate(), 16000u);
    EXPECT_TRUE(chain.effects().empty());
    std::uint32_t record[2] = {10003, 1};
    EXPECT_EQ(chain.handleSetParameter({10003, record}), 0);

    gLines.clear();
    setDebugSink(&collect);
    std::vector<float> ref(64), mic(64), outA(64), outB(64);
    float* in[2] = {ref.data(), mic.data()};
    float* out[2] = {outA.data(), outB.data()};
    for (int b = 0; b < 2 * 2500; ++b) {  // 2 x 160000 frames
        ref.assign(64, float(b));
        mic.assign(64, -float(b));
        chain.process(in, out, 64);
        ASSERT_EQ(outA, ref);
        ASSERT_EQ(outB, mic);
        if (b == 2498) {
            EXPECT_TRUE(gLines.empty());
        }
    }
    setDebugSink(nullptr);
    ASSERT_EQ(gLines.size(), 2u);
    const std::string prefix = "[VeltraDsp] capture chain process samples(160000): ";
    const std::string& text = gLines[0];
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
    ASSERT_GT(text.size(), prefix.size() + 1);
    EXPECT_EQ(text.back(), '\n');
    for (std::size_t i = prefix.size(); i + 1 < text.size(); ++i)
        EXPECT_TRUE(std::isdigit(text[i])) << text;
    EXPECT_EQ(chain.processedSamples(), 0);
}

}  // namespace
}  // namespace veltra
