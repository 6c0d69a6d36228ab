#include <gtest/gtest.h>

#include <vector>

#include "chain/ParameterBlock.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "support/Blocks.h"

namespace veltra {
namespace {

// dB to linear by 10^(dB/20), on every channel; disabled or never set, every channel is copied,
// however many there are, and a stage without channels touches nothing.
TEST(GainAudioEffectObject, AppliesTheGainLawOrCopiesEveryChannel) {
    struct Case {
        int channels;
        float dB;
        std::uint8_t enabled;
        bool configured;
        float linear;
    };
    for (const Case& c : {Case{2, -10.0f, 1, true, 0.31622776f}, Case{2, 6.0f, 1, true, 1.9952623f},
                          Case{2, 0.0f, 0, false, 1.0f}, Case{1, -40.0f, 0, true, 1.0f},
                          Case{3, -40.0f, 0, true, 1.0f}, Case{0, -40.0f, 1, true, 1.0f}}) {
        SCOPED_TRACE(::testing::Message() << c.channels << " channels, " << c.dB << " dB");
        GainAudioEffectObject gain(c.channels);
        gain.init();
        if (c.configured) {
            ParameterBlock block = testing::block(kEffectTypeGain, {c.dB});
            block.enabled = c.enabled;
            gain.setParameters(block);
        }
        std::vector<std::vector<float>> in(3), out(3, std::vector<float>(4, 9.0f));
        std::vector<float*> ip, op;
        for (int ch = 0; ch < 3; ++ch) {
            for (int i = 0; i < 4; ++i) in[ch].push_back(0.25f * float(i + 1) * (ch % 2 ? -1 : 1));
            ip.push_back(in[ch].data());
            op.push_back(out[ch].data());
        }
        gain.process(ip.data(), op.data(), 4);
        for (int ch = 0; ch < 3; ++ch) {
            for (int i = 0; i < 4; ++i) {
                const float want = ch < c.channels ? in[ch][i] * c.linear : 9.0f;  // untouched
                EXPECT_FLOAT_EQ(out[ch][i], want) << ch << " " << i;
            }
        }
    }
}

}  // namespace
}  // namespace veltra
