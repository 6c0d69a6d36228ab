#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "chain/SampleQueue.h"
#include "engine/CaptureModule.h"
#include "engine/DebugLog.h"
#include "engine/PlaybackModule.h"
#include "support/AllocationCounter.h"

namespace veltra {
namespace {

// Single samples and block moves across the ring's end keep the order, growth keeps what was
// held, and a short pop reports what it found.
TEST(SampleQueue, WrapAndGrowthKeepOrder) {
    SampleQueue queue;
    std::vector<float> ramp(1000), out(1000, -1.0f);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = float(i);
    queue.pushSamples(ramp.data(), 200);
    EXPECT_EQ(queue.popSamples(out.data(), 150), 150u);
    queue.pushSamples(ramp.data() + 200, 100);  // 150 held in a 256-sample ring: wraps
    EXPECT_EQ(queue.capacity(), 256u);
    for (std::size_t i = 300; i < 1000; ++i) queue.pushBack(ramp[i]);  // grows while wrapped
    for (std::size_t i = 150; i < 300; ++i) out[i] = queue.popFront();
    EXPECT_EQ(queue.popSamples(out.data() + 300, 900), 700u);
    EXPECT_EQ(out, ramp);
    EXPECT_EQ(queue.popFront(), 0.0f);
    EXPECT_TRUE(queue.empty());
}

// The whole speaker path, fade included, on the real-time thread's calls: no heap traffic once
// the engine exists.
// Block moves of one, two and three channels against a plain first-in first-out model: blocks of
// every size, single samples now and then so that a block can start mid-frame, the ring
// wrapping and growing, and pops past the end filled with zeros.
TEST(SampleQueue, BlockMovesMatchAPlainQueueAcrossTheWrap) {
    for (int channels = 1; channels <= 3; ++channels) {
        SampleQueue queue;
        std::deque<float> model;
        float next = 1.0f;
        std::vector<std::vector<float>> block(std::size_t(channels), std::vector<float>(64));
        std::vector<float*> pointers;
        pointers.reserve(block.size());
        for (auto& c : block) pointers.push_back(c.data());
        for (int round = 0; round < 300; ++round) {
            const int pushFrames = 1 + (round * 7) % 37;
            for (int f = 0; f < pushFrames; ++f)
                for (int c = 0; c < channels; ++c) {
                    block[std::size_t(c)][std::size_t(f)] = next;
                    model.push_back(next++);
                }
            queue.pushDeinterleaved(pointers.data(), channels, pushFrames);
            if (round % 5 == 0) {
                queue.pushBack(next);
                model.push_back(next++);
            }
            if (round % 7 == 0 && !model.empty()) {
                EXPECT_EQ(queue.popFront(), model.front());
                model.pop_front();
            }
            const int popFrames = 1 + (round * 5) % (round % 50 == 49 ? 64 : 31);
            queue.popDeinterleaved(pointers.data(), channels, popFrames);
            for (int f = 0; f < popFrames; ++f)
                for (int c = 0; c < channels; ++c) {
                    float expected = 0.0f;
                    if (!model.empty()) {
                        expected = model.front();
                        model.pop_front();
                    }
                    ASSERT_EQ(block[std::size_t(c)][std::size_t(f)], expected)
                        << channels << " channels, round " << round << ", frame " << f;
                }
            ASSERT_EQ(queue.size(), model.size());
        }
    }
}

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
