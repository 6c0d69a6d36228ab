#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "chain/ParameterMessage.h"
#include "chain/SampleQueue.h"
#include "engine/CaptureModule.h"
#include "engine/DebugLog.h"
#include "engine/PlaybackModule.h"
#include "support/AllocationCounter.h"

namespace veltra {
namespace {

// Every kind of move (single samples, contiguous runs, blocks of one to three channels) against a
// plain first-in first-out model: blocks of every size, so that a block can start mid-frame, the
// ring wrapping and growing while wrapped, a short pop reporting what it found, and block pops
// past the end filled with zeros.
TEST(SampleQueue, EveryMoveMatchesAPlainQueueAcrossTheWrap) {
    for (int channels = 1; channels <= 3; ++channels) {
        SampleQueue queue;
        std::deque<float> model;
        float next = 1.0f;
        std::vector<std::vector<float>> block(std::size_t(channels), std::vector<float>(64));
        std::vector<float*> pointers;
        pointers.reserve(block.size());
        for (auto& c : block) pointers.push_back(c.data());
        std::vector<float> run(700);
        auto expectFront = [&](float got) {
            ASSERT_EQ(got, model.empty() ? 0.0f : model.front()) << channels << " channels";
            if (!model.empty()) model.pop_front();
        };
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
            if (round % 7 == 0) expectFront(queue.popFront());
            if (round % 3 == 0) {  // runs in and out; now and then a long one that grows the ring
                const std::size_t in = round % 50 == 12 ? 700 : 1 + std::size_t(round) % 61;
                for (std::size_t i = 0; i < in; ++i) model.push_back(run[i] = next++);
                queue.pushSamples(run.data(), in);
                ASSERT_EQ(queue.popSamples(run.data(), in / 2 + 1), in / 2 + 1);
                for (std::size_t i = 0; i <= in / 2; ++i) expectFront(run[i]);
            }
            const int popFrames = 1 + (round * 5) % (round % 50 == 49 ? 64 : 31);
            queue.popDeinterleaved(pointers.data(), channels, popFrames);
            for (int f = 0; f < popFrames; ++f)
                for (int c = 0; c < channels; ++c)
                    expectFront(block[std::size_t(c)][std::size_t(f)]);
            ASSERT_EQ(queue.size(), model.size());
        }
        std::vector<float> rest(model.size() + 5);
        ASSERT_EQ(queue.popSamples(rest.data(), rest.size()), model.size());
        for (std::size_t i = 0; i + 5 < rest.size(); ++i) expectFront(rest[i]);
        EXPECT_TRUE(queue.empty());
        EXPECT_EQ(queue.popFront(), 0.0f);
    }
}

TEST(RealTimePath, PlaybackAndCaptureCallsDoNotAllocate) {
    VeltraDspPlayback* playback = createPlaybackEngine(2, 2, 48000);
    VeltraDspCapture* capture = createCaptureEngine();
    ASSERT_NE(playback, nullptr);
    ASSERT_NE(capture, nullptr);
    std::uint32_t record[2] = {kEnhancementMessage, 1};
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
