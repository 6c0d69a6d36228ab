#include <gtest/gtest.h>

#include "chain/ChannelBlock.h"
#include "chain/PlaybackInputAudioBuffer.h"
#include "chain/PlaybackOutputAudioBuffer.h"
#include "chain/SampleFormat.h"
#include "support/AllocationCounter.h"

namespace veltra {
namespace {

// Drives the queues the way the playback engine does: host buffers of 441 frames, blocks of 64.
TEST(SampleQueue, SteadyStateReblockingDoesNotAllocate) {
    constexpr int kChannels = 2;
    constexpr int kBlock = 64;
    constexpr int kHost = 441;
    PlaybackInputAudioBuffer in(kChannels, kSampleFormatFloat32);
    PlaybackOutputAudioBuffer out(kChannels, kSampleFormatFloat32);
    float** scratch = allocateChannelBlock(kChannels, kBlock);
    std::vector<float> host(kHost * kChannels);
    std::vector<float> result(kHost * kChannels);
    for (int i = 0; i < kBlock * kChannels; ++i) out.queue().pushBack(0.0f);

    float next = 0.0f;
    auto runCall = [&] {
        for (float& s : host) s = next++;
        in.write(host.data(), kHost);
        while (in.queue().size() >= kBlock * kChannels) {
            in.queue().popDeinterleaved(scratch, kChannels, kBlock);
            out.queue().pushDeinterleaved(scratch, kChannels, kBlock);
        }
        out.read(result.data(), kHost);
    };
    for (int i = 0; i < 8; ++i) runCall();  // reach the working size
    const long before = support::allocationCount();
    for (int i = 0; i < 200; ++i) runCall();
    EXPECT_EQ(support::allocationCount(), before);

    // The path is a pure delay of one block: output sample n is input sample n - 128.
    const float lastWritten = next - 1.0f;
    EXPECT_EQ(result.back(), lastWritten - kBlock * kChannels);
    freeChannelBlock(scratch, kChannels);
}

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
