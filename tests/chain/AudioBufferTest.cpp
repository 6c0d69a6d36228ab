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

}  // namespace
}  // namespace veltra
