#include <gtest/gtest.h>

#include <array>

#include "chain/ParameterBlock.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "effects/gain/InternalGainAudioEffectObject.h"

namespace veltra {
namespace {

struct Blocks {
    explicit Blocks(int channels) {
        for (int c = 0; c < channels; ++c) {
            for (int i = 0; i < 4; ++i)
                in[c][i] = 0.25f * static_cast<float>(i + 1) * (c % 2 ? -1 : 1);
            out[c].fill(9.0f);
            inPtr[c] = in[c].data();
            outPtr[c] = out[c].data();
        }
    }
    std::array<std::array<float, 4>, 3> in{};
    std::array<std::array<float, 4>, 3> out{};
    std::array<float*, 3> inPtr{};
    std::array<float*, 3> outPtr{};
};

ParameterBlock gainBlock(float dB, std::uint8_t enabled) {
    ParameterBlock block;
    block.effectType = kEffectTypeGain;
    block.enabled = enabled;
    block.setFloat(0, dB);
    return block;
}

TEST(GainAudioEffectObject, AppliesTheGainLawToEveryChannel) {
    for (auto [dB, linear] : {std::pair{-10.0f, 0.31622776f}, {6.0f, 1.9952623f}, {0.0f, 1.0f}}) {
        GainAudioEffectObject gain(2);
        gain.init();
        gain.setParameters(gainBlock(dB, 1));
        Blocks b(2);
        EXPECT_EQ(gain.process(b.inPtr.data(), b.outPtr.data(), 4), 4);
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(b.out[c][i], b.in[c][i] * linear);
        }
    }
}

TEST(GainAudioEffectObject, InitAloneIsTransparentAndDisabledCopiesOnlyItsChannels) {
    GainAudioEffectObject fresh(2);
    fresh.init();
    Blocks b(2);
    fresh.process(b.inPtr.data(), b.outPtr.data(), 4);
    EXPECT_EQ(b.out[0], b.in[0]);
    EXPECT_EQ(b.out[1], b.in[1]);

    // One channel: a disabled gain must not touch a second channel that is not there.
    GainAudioEffectObject mono(1);
    mono.init();
    mono.setParameters(gainBlock(-40.0f, 0));
    Blocks m(1);
    std::array<float*, 1> in{m.inPtr[0]};
    std::array<float*, 1> out{m.outPtr[0]};
    mono.process(in.data(), out.data(), 4);
    EXPECT_EQ(m.out[0], m.in[0]);

    // Three channels: the third is copied too rather than left stale.
    GainAudioEffectObject wide(3);
    wide.init();
    wide.setParameters(gainBlock(-40.0f, 0));
    Blocks w(3);
    wide.process(w.inPtr.data(), w.outPtr.data(), 4);
    EXPECT_EQ(w.out[2], w.in[2]);

    GainAudioEffectObject none(0);
    Blocks n(1);
    none.process(n.inPtr.data(), n.outPtr.data(), 4);
    EXPECT_EQ(n.out[0][0], 9.0f);
}

TEST(InternalGainAudioEffectObject, TouchesOnlyTheFirstChannelAndIgnoresItsFlag) {
    InternalGainAudioEffectObject gain;
    gain.init();
    gain.setParameters(gainBlock(-10.0f, 0));
    gain.setEnabled(false);
    Blocks b(2);
    gain.process(b.inPtr.data(), b.outPtr.data(), 4);
    EXPECT_FLOAT_EQ(b.out[0][3], 1.0f * 0.31622776f);
    EXPECT_EQ(b.out[1][0], 9.0f);
}

TEST(DspAudioEffectObject, NameAndGenericParameterDefaults) {
    InternalGainAudioEffectObject effect;
    EXPECT_STREQ(effect.getName(), "");
    effect.setName("Headroom");
    EXPECT_STREQ(effect.getName(), "Headroom");
    EXPECT_EQ(effect.getParameterName(12), "12");
    EXPECT_EQ(effect.getParameterValue(0), 0.0f);
    EXPECT_EQ(effect.getParameterValue(-1), 0.0f);
    EXPECT_EQ(effect.inputChannels(), 2);
    EXPECT_EQ(effect.sampleRate(), 48000u);
}

}  // namespace
}  // namespace veltra
