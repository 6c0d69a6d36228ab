#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "chain/CaptureMicrophoneAudioBuffer.h"
#include "chain/CaptureReferenceAudioBuffer.h"
#include "chain/PlaybackInputAudioBuffer.h"
#include "chain/PlaybackOutputAudioBuffer.h"
#include "chain/SampleFormat.h"
#include "chain/SampleQueue.h"

namespace veltra {
namespace {

TEST(AudioBuffer, Int16InputScalesByNearestReciprocalOf32767) {
    PlaybackInputAudioBuffer buffer(1, kSampleFormatInt16);
    const std::array<std::int16_t, 4> samples{32767, 0, -32768, 16384};
    buffer.write(samples.data(), 4);
    ASSERT_EQ(buffer.queue().size(), 4u);
    EXPECT_EQ(buffer.queue().popFront(), 1.0f);
    EXPECT_EQ(buffer.queue().popFront(), 0.0f);
    EXPECT_FLOAT_EQ(buffer.queue().popFront(), -1.0000305f);
    EXPECT_FLOAT_EQ(buffer.queue().popFront(), 0.50001526f);
}

TEST(AudioBuffer, Int16OutputClampsToJustBelowFullScale) {
    PlaybackOutputAudioBuffer buffer(1, kSampleFormatInt16);
    for (float v : {1.5f, 1.0f, 0.5f, -1.0f, -7.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity()}) {
        buffer.queue().pushBack(v);
    }
    std::array<std::int16_t, 7> out{};
    buffer.read(out.data(), 7);
    EXPECT_EQ(out, (std::array<std::int16_t, 7>{32763, 32763, 16383, -32763, -32763, 0, 32763}));
}

TEST(AudioBuffer, FloatPathKeepsFrameOrderAndValuesBeyondFullScale) {
    PlaybackInputAudioBuffer in(2, kSampleFormatFloat32);
    const std::array<float, 6> frames{0.1f, -0.1f, 1.5f, -2.5f, 0.3f, -0.3f};
    in.write(frames.data(), 3);
    PlaybackOutputAudioBuffer out(2, kSampleFormatFloat32);
    while (!in.queue().empty()) out.queue().pushBack(in.queue().popFront());
    std::array<float, 6> result{};
    out.read(result.data(), 3);
    EXPECT_EQ(result, frames);
    EXPECT_TRUE(out.queue().empty());
}

TEST(AudioBuffer, WrongDirectionUnknownFormatAndNonPositiveCountsDoNothing) {
    const std::array<float, 4> source{1, 2, 3, 4};
    for (std::uint32_t format : {0u, 3u}) {
        PlaybackInputAudioBuffer in(2, format);
        in.write(source.data(), 2);
        EXPECT_TRUE(in.queue().empty());
        PlaybackOutputAudioBuffer out(2, format);
        out.queue().pushBack(9.0f);
        std::array<float, 2> dest{5, 5};
        out.read(dest.data(), 1);
        EXPECT_EQ(out.queue().size(), 1u);
        EXPECT_EQ(dest[0], 5.0f);
    }
    PlaybackInputAudioBuffer in(2, kSampleFormatFloat32);
    in.write(source.data(), 0);
    in.write(source.data(), -3);
    std::array<float, 2> dest{5, 5};
    in.read(dest.data(), 1);  // an input buffer serves no reads
    EXPECT_TRUE(in.queue().empty());
    EXPECT_EQ(dest[0], 5.0f);
    PlaybackOutputAudioBuffer out(2, kSampleFormatFloat32);
    out.write(source.data(), 2);  // an output buffer accepts no writes
    EXPECT_TRUE(out.queue().empty());
}

TEST(AudioBuffer, ReadZeroesDestinationAndShortQueueLeavesZeros) {
    PlaybackOutputAudioBuffer out(2, kSampleFormatFloat32);
    out.queue().pushBack(0.25f);
    std::array<float, 4> dest{7, 7, 7, 7};
    out.read(dest.data(), 2);
    EXPECT_EQ(dest, (std::array<float, 4>{0.25f, 0, 0, 0}));
}

TEST(AudioBuffer, CaptureInputsKeepEveryChannelIgnoringTheOtherStreamCount) {
    const std::array<std::int16_t, 4> source{32767, 0, 0, 32767};
    CaptureReferenceAudioBuffer reference(2, 5, kSampleFormatInt16);
    reference.write(source.data(), 2);
    CaptureMicrophoneAudioBuffer microphone(5, 1, kSampleFormatInt16);
    microphone.write(source.data(), 4);
    ASSERT_EQ(reference.queue().size(), 4u);
    ASSERT_EQ(microphone.queue().size(), 4u);
    for (float expected : {1.0f, 0.0f, 0.0f, 1.0f}) {
        EXPECT_EQ(reference.queue().popFront(), expected);
        EXPECT_EQ(microphone.queue().popFront(), expected);
    }
}

}  // namespace
}  // namespace veltra
