#include <gtest/gtest.h>

#include <vector>

#include "chain/ParameterMessage.h"
#include "chain/PlaybackAudioProcessChainProvider.h"
#include "chain/ProjectPlaybackAudioProcessChain.h"
#include "effects/DspAudioEffectObject.h"
#include "support/Blocks.h"
#include "support/ListProvider.h"
#include "support/Planar.h"

namespace veltra {
namespace {

using testing::listed;

struct Harness {
    Harness(ParameterList list, std::uint32_t rate, int channels = 2)
        : chain(std::make_unique<support::ListProvider>(std::move(list))), channels(channels) {
        const std::uint32_t configuration[3] = {std::uint32_t(channels), std::uint32_t(channels),
                                                rate};
        chain.init(configuration);
    }
    // Runs `blocks` blocks of a constant input and returns channel 0 of every output frame.
    std::vector<float> run(int blocks, float value) {
        std::vector<float> result;
        for (int b = 0; b < blocks; ++b) {
            const auto out = testing::through(
                chain, testing::Planar(std::size_t(channels), std::vector<float>(64, value)));
            result.insert(result.end(), out[0].begin(), out[0].end());
            lastOtherChannel = out.back()[63];
        }
        return result;
    }
    ProjectPlaybackAudioProcessChain chain;
    int channels;
    float lastOtherChannel = 0.0f;
};

// A gain-only list scales every channel (copies every one when disabled) and ignores other
// messages; an empty list copies and holds the fade (no stage to switch); a released chain copies
// instead of touching freed stages.
TEST(PlaybackChain, ShortListsAndAReleasedChainPassAudioAsTheyShould) {
    ParameterList list;
    list.push_back(listed("G", kEffectTypeGain, {-6.0f}));
    Harness gain(std::move(list), 48000, 3);
    std::uint32_t other[2] = {42, 0};
    EXPECT_EQ(gain.chain.handleSetParameter({42, other}), 0);
    for (float v : gain.run(1, 0.5f)) EXPECT_FLOAT_EQ(v, 0.5f * 0.5011872f);
    EXPECT_FLOAT_EQ(gain.lastOtherChannel, 0.5f * 0.5011872f);
    EXPECT_EQ(gain.chain.fadeRate(), 0.0f);
    for (std::uint8_t flag : {0, 2}) {  // off: every one of its channels copied, the third too
        ParameterList off;
        off.push_back(listed("G", kEffectTypeGain, {-6.0f}));
        off.back()->enabled = flag;
        Harness disabled(std::move(off), 48000, 3);
        for (float v : disabled.run(1, 0.5f)) EXPECT_EQ(v, 0.5f);
        EXPECT_EQ(disabled.lastOtherChannel, 0.5f);
    }

    Harness empty(ParameterList{}, 48000);
    std::uint32_t record[2] = {kEnhancementMessage, 0};
    empty.chain.handleSetParameter({kEnhancementMessage, record});
    for (float v : empty.run(4, 0.75f)) EXPECT_EQ(v, 0.75f);
    EXPECT_EQ(empty.chain.fadeGain(), 1.0f);
    EXPECT_EQ(empty.chain.fadeRate(), -10.0f);

    Harness released(PlaybackAudioProcessChainProvider::defaultList(), 48000);
    released.chain.release();
    EXPECT_TRUE(released.chain.stageOrder().empty());
    for (float v : released.run(1, 0.5f)) EXPECT_EQ(v, 0.5f);
}

// A look-ahead limiter delays what it runs; with its flag at anything but 1 it passes audio
// through, and the chain's reported latency leaves it out.
TEST(PlaybackChain, OnlyAFlagOfOneRunsAStageAndCountsItsDelay) {
    for (std::uint8_t flag : {0, 1, 2}) {
        ParameterList list;
        for (auto& block : PlaybackAudioProcessChainProvider::defaultList())
            if (block->name == "Limiter") list.push_back(std::move(block));
        list.back()->enabled = flag;
        Harness h(std::move(list), 48000);
        EXPECT_EQ(h.chain.latencyFrames(), flag == 1 ? 15 : 0) << int(flag);
        EXPECT_EQ(h.run(1, 0.5f)[0], flag == 1 ? 0.0f : 0.5f) << int(flag);
    }
}

TEST(PlaybackChain, EnableMessageFadesOutSwitchesTheGroupAtSilenceAndFadesIn) {
    struct Case {
        std::uint32_t rate;
        int silentFrame;  // 1-based frame index of silence
    };
    for (const Case& c : {Case{48000, 4801}, Case{44100, 4411}, Case{16000, 1600}}) {
        for (std::uint32_t state : {0u, 1u}) {
            ParameterList list;
            for (const char* name : {"Headroom", "Halvorn_Surround", "PostEQ2", "Limiter2"}) {
                list.push_back(listed(name, kEffectTypeGain, {0.0f}));
            }
            Harness h(std::move(list), c.rate);
            auto* surround =
                dynamic_cast<DspAudioEffectObject*>(h.chain.findEffect("Halvorn_Surround"));
            if (state == 1) surround->setEnabled(false);
            std::uint32_t record[2] = {kEnhancementMessage, state};
            h.chain.handleSetParameter({kEnhancementMessage, record});

            const int silent = c.silentFrame - 1;
            const int blockOfSilence = silent / 64;
            std::vector<float> out = h.run(blockOfSilence, 1.0f);
            EXPECT_EQ(surround->processing(), state == 0);  // not switched yet
            const auto rest = h.run(2 * blockOfSilence + 4, 1.0f);
            out.insert(out.end(), rest.begin(), rest.end());
            EXPECT_EQ(surround->processing(), state == 1);
            EXPECT_EQ(
                dynamic_cast<DspAudioEffectObject*>(h.chain.findEffect("Limiter2"))->processing(),
                state == 1);

            EXPECT_FLOAT_EQ(out[0], 1.0f - 10.0f / float(c.rate)) << c.rate;
            EXPECT_GT(out[silent - 1], 0.0f) << c.rate;
            EXPECT_EQ(out[silent], 0.0f) << c.rate;
            EXPECT_GT(out[silent + 1], 0.0f) << c.rate;
            EXPECT_EQ(out[2 * silent + 1], 1.0f) << c.rate;  // back at full level
            EXPECT_LT(out[2 * silent], 1.0f) << c.rate;
            EXPECT_EQ(h.lastOtherChannel, out.back());  // one fade gain for every channel
        }
    }
}

TEST(PlaybackChain, RepeatedNameLeavesOneStageThatRunsTwiceWithTheLastSettings) {
    ParameterList list;
    list.push_back(listed("PreEQ", kEffectTypeEqualizer, {0.0f, 6.0f, 0.0f, 15.0f}));
    list.push_back(listed("PreEQ", kEffectTypeEqualizer, {0.0f, -6.0206f, 0.0f, 15.0f}));
    list.push_back(listed("Nothing", static_cast<EffectType>(777)));  // unknown type: no stage
    Harness h(std::move(list), 48000);
    EXPECT_EQ(h.chain.effects().size(), 1u);
    EXPECT_EQ(h.chain.stageOrder(), (std::vector<std::string>{"PreEQ", "PreEQ"}));
    const auto out = h.run(1, 1.0f);
    EXPECT_NEAR(out[63], 0.25f, 1e-5f);  // halved twice by the second block's settings
}

}  // namespace
}  // namespace veltra
