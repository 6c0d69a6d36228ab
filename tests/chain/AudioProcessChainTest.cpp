#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain/AudioProcessChain.h"
#include "effects/DspAudioEffectObject.h"
#include "support/Blocks.h"
#include "support/ListProvider.h"

namespace veltra {
namespace {

std::vector<std::string> gEvents;

class RecordingEffect final : public DspAudioEffectObject {
  public:
    explicit RecordingEffect(std::string tag) : tag_(std::move(tag)) {}
    ~RecordingEffect() override { gEvents.push_back("destroy " + tag_); }
    bool init() override { return gEvents.push_back("init " + tag_), true; }
    void release() override { gEvents.push_back("release " + tag_); }
    void setParameters(const ParameterBlock& b) override {
        gEvents.push_back("set " + tag_ + " " + b.name);
    }

  private:
    std::string tag_;
};

class RecordingChain final : public AudioProcessChain {
  public:
    explicit RecordingChain(const std::vector<std::string>& names)
        : AudioProcessChain(std::make_unique<support::ListProvider>(blocks(names))) {}
    void afterParametersApplied() override { gEvents.emplace_back("applied"); }
    static ParameterList blocks(const std::vector<std::string>& names) {
        ParameterList list;
        for (const auto& name : names) list.push_back(testing::listed(name, kEffectTypeGain));
        return list;
    }
};

// Stages initialise in byte order of their names; only blocks whose name matches a stage exactly
// reach it. Replacing a stage destroys the old effect; release is repeatable and silences the
// provider.
TEST(AudioProcessChain, StagesTakeTheirOwnBlocksAndLeaveCleanly) {
    gEvents.clear();
    RecordingChain chain({"X", "PostEQ2", "postEQ"});
    chain.setEffect("PostEQ2", std::make_unique<RecordingEffect>("b"));
    chain.setEffect("PostEQ", std::make_unique<RecordingEffect>("old"));
    chain.setEffect("PostEQ", std::make_unique<RecordingEffect>("a"));
    ASSERT_TRUE(chain.init(nullptr));
    EXPECT_EQ(std::string(chain.findEffect("PostEQ")->getName()), "PostEQ");
    EXPECT_EQ(chain.findEffect("posteq"), nullptr);
    EXPECT_EQ(chain.blockSize(), 64u);
    chain.release();
    EXPECT_EQ(chain.provider(), nullptr);
    EXPECT_TRUE(chain.effects().empty());
    chain.release();
    chain.onParametersChanged();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"destroy old", "init a", "init b", "set b PostEQ2",
                                                 "applied", "release a", "destroy a", "release b",
                                                 "destroy b"}));
}

}  // namespace
}  // namespace veltra
