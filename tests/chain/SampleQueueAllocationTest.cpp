#include <gtest/gtest.h>

#include "chain/SampleQueue.h"
#include "support/AllocationCounter.h"

namespace veltra {
namespace {

TEST(SampleQueue, GrowthAcrossTheWrapKeepsOrder) {
    SampleQueue queue;
    for (int i = 0; i < 200; ++i) queue.pushBack(static_cast<float>(i));
    for (int i = 0; i < 150; ++i) ASSERT_EQ(queue.popFront(), static_cast<float>(i));
    for (int i = 200; i < 1000; ++i) queue.pushBack(static_cast<float>(i));  // wraps, then grows
    for (int i = 150; i < 1000; ++i) ASSERT_EQ(queue.popFront(), static_cast<float>(i));
    EXPECT_EQ(queue.popFront(), 0.0f);
    EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace veltra

#include "engine/CaptureModule.h"
#include "engine/DebugLog.h"
#include "engine/PlaybackModule.h"

namespace veltra {
namespace {

// The whole speaker path, fade included, on the real-time thread's calls: no heap traffic once
// the engine exists.
TEST(RealTimePath, PlaybackAndCaptureCallsDoNotAllocate) {
    VeltraDspPlayback* playback = createPlaybackEngine(2, 2, 48000);
    VeltraDspCapture* capture = createCaptureEngine();
    ASSERT_NE(playback, nullptr);
    ASSERT_NE(capture, nullptr);
    std::uint32_t record[2] = {10003, 1};
    sendPlaybackParameter(playback, record);
    std::vector<float> buffer(2 * 480);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = 0.8f * static_cast<float>((i * 37) % 101) / 101.0f;
    processPlayback(playback, buffer.data(), buffer.data(), 480);
    processCapture(capture, buffer.data(), buffer.data(), buffer.data(), 160);
    static int traceLines = 0;
    setDebugSink([](const char*) { ++traceLines; });
    const long before = support::allocationCount();
    // 4 s of speaker audio (the fade cycle and the limiters all run) and 21 s of microphone
    // audio, which crosses two of the capture chain's ten-second timing reports.
    for (int call = 0; call < 2100; ++call) {
        if (call < 400)
            processPlayback(playback, buffer.data(), buffer.data(), call % 3 == 0 ? 441 : 480);
        processCapture(capture, buffer.data(), buffer.data(), buffer.data(), 160);
    }
    setDebugSink(nullptr);
    EXPECT_EQ(traceLines, 2);
    EXPECT_EQ(support::allocationCount(), before);
    destroyPlaybackEngine(playback);
    destroyCaptureEngine(capture);
}

}  // namespace
}  // namespace veltra
