#include <gtest/gtest.h>

#include <vector>

#include "chain/OutputFade.h"

namespace veltra {
namespace {

TEST(OutputFade, FadesOutSwitchesOnceAtSilenceAndComesBackToUnity) {
    OutputFade fade;
    std::vector<float> left(64, 0.5f), right(64, -0.25f), outL(64), outR(64);
    float* in[2] = {left.data(), right.data()};
    float* out[2] = {outL.data(), outR.data()};
    int switches = 0, silentAt = -1;
    fade.start();
    for (int block = 0; block < 200; ++block) {  // 12800 frames, beyond the 9600 of a full cycle
        fade.apply(in, out, 2, 64, 48000, [&] {
            ++switches;
            silentAt = block * 64;
        });
        for (int f = 0; f < 64; ++f)
            ASSERT_EQ(outR[f], -0.5f * outL[f]);  // one gain, both channels
    }
    EXPECT_EQ(switches, 1);
    EXPECT_NEAR(silentAt, 4800, 64);  // 100 ms at 10 per second
    EXPECT_EQ(fade.rate(), 0.0f);
    EXPECT_EQ(fade.gain(), 1.0f);
    EXPECT_EQ(outL, left);  // at rest the fade passes the signal exactly
}

}  // namespace
}  // namespace veltra
