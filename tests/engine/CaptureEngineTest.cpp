#include <gtest/gtest.h>

#include <vector>

#include "engine/CaptureModule.h"
#include "engine/VeltraDspCapture.h"

namespace veltra {
namespace {

TEST(CaptureEngine, OneBufferAsBothStreamsComesBackAsTwoChannelsOneBlockLate) {
    VeltraDspCapture* engine = createCaptureEngine();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->referenceChannels(), 1);
    EXPECT_EQ(engine->microphoneChannels(), 1);
    EXPECT_EQ(engine->outputChannels(), 2);
    // The microphone object's call: the same buffer is reference, microphone and output.
    std::vector<float> buffer(2 * 160 + 4, 0.0f);
    for (int n = 0; n < 160; ++n) buffer[n] = float(n + 1);
    buffer[320] = 77.0f;
    const std::vector<float> x(buffer.begin(), buffer.begin() + 160);
    processCapture(engine, buffer.data(), buffer.data(), buffer.data(), 160);
    for (int f = 0; f < 64; ++f) {
        ASSERT_EQ(buffer[2 * f], 0.0f);
        ASSERT_EQ(buffer[2 * f + 1], 0.0f);
    }
    for (int f = 64; f < 160; ++f) {
        ASSERT_EQ(buffer[2 * f], x[f - 64]) << f;
        ASSERT_EQ(buffer[2 * f + 1], x[f - 64]) << f;
    }
    EXPECT_EQ(buffer[320], 77.0f);  // beyond 2N samples nothing is touched
    EXPECT_EQ(engine->referenceQueue()->queue().size(), 32u);
    EXPECT_EQ(processCapture(nullptr, nullptr, nullptr, nullptr, 5), 0);
    EXPECT_EQ(destroyCaptureEngine(engine), 0);
    EXPECT_EQ(destroyCaptureEngine(nullptr), 0);
}

}  // namespace
}  // namespace veltra
