#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "chain/PlaybackInputAudioBuffer.h"
#include "chain/PlaybackOutputAudioBuffer.h"
#include "chain/SampleFormat.h"

namespace veltra {
namespace {

// 16-bit input scales by the float nearest 1/32767; output clamps to +-32763 and sends NaN to 0.
// Float samples cross both ways unchanged (the end-to-end tests compare every path bit for bit).
TEST(AudioBuffer, Int16ScalesInAndClampsOut) {
    PlaybackInputAudioBuffer in(1, kSampleFormatInt16);
    const std::array<std::int16_t, 4> samples{32767, 0, -32768, 16384};
    in.write(samples.data(), 4);
    EXPECT_EQ(in.queue().popFront(), 1.0f);
    EXPECT_EQ(in.queue().popFront(), 0.0f);
    EXPECT_FLOAT_EQ(in.queue().popFront(), -1.0000305f);
    EXPECT_FLOAT_EQ(in.queue().popFront(), 0.50001526f);

    PlaybackOutputAudioBuffer out(1, kSampleFormatInt16);
    for (float v : {1.5f, 1.0f, 0.5f, -1.0f, -7.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity()})
        out.queue().pushBack(v);
    std::array<std::int16_t, 8> result{};
    result.back() = 99;  // a short queue leaves zeros
    out.read(result.data(), 8);
    EXPECT_EQ(result,
              (std::array<std::int16_t, 8>{32763, 32763, 16383, -32763, -32763, 0, 32763, 0}));
}

// Input buffers serve no reads and output buffers take no writes; unknown formats and counts
// below one do nothing.
TEST(AudioBuffer, TheWrongDirectionUnknownFormatsAndEmptyCountsDoNothing) {
    const std::array<float, 4> source{1, 2, 3, 4};
    std::array<float, 2> dest{5, 5};
    for (std::uint32_t format : {0u, 3u, std::uint32_t(kSampleFormatFloat32)}) {
        PlaybackInputAudioBuffer in(2, format);
        in.write(source.data(), format == kSampleFormatFloat32 ? 0 : 2);
        in.write(source.data(), -3);
        in.read(dest.data(), 1);
        EXPECT_TRUE(in.queue().empty());
        PlaybackOutputAudioBuffer out(2, format);
        out.write(source.data(), 2);
        EXPECT_TRUE(out.queue().empty());
        out.queue().pushBack(9.0f);
        if (format != kSampleFormatFloat32) out.read(dest.data(), 1);
        EXPECT_EQ(out.queue().size(), 1u);
        EXPECT_EQ(dest[0], 5.0f);
    }
}

}  // namespace
}  // namespace veltra
