#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain/AudioProcessChain.h"
#include "effects/DspAudioEffectObject.h"

namespace veltra {
namespace {

std::vector<std::string> gEvents;

class RecordingEffect final : public DspAudioEffectObject {
  public:
    explicit RecordingEffect(std::string tag) : tag_(std::move(tag)) {}
    ~RecordingEffect() override { gEvents.push_back("destroy " + tag_); }
    bool init() override {
        gEvents.push_back("init " + tag_);
        return true;
    }
    void release() override { gEvents.push_back("release " + tag_); }
    void setParameters(const ParameterBlock& block) override {
        gEvents.push_back("set " + tag_ + " " + block.name);
    }

  private:
    std::string tag_;
};

// Builds one block per name on attach, then notifies, as a configuring provider does.
class ListProvider final : public AudioProcessChainProvider {
  public:
    explicit ListProvider(std::vector<std::string> names) : names_(std::move(names)) {}
    void attach(AudioProcessChainProviderCallback* callback) override {
        AudioProcessChainProvider::attach(callback);
        for (const auto& name : names_) {
            auto block = std::make_unique<ParameterBlock>();
            block->name = name;
            mutableParameters().push_back(std::move(block));
        }
        notify();
    }

  private:
    std::vector<std::string> names_;
};

class TwoStageChain final : public AudioProcessChain {
  public:
    using AudioProcessChain::AudioProcessChain;
    void afterParametersApplied() override { gEvents.emplace_back("applied"); }
};

TEST(AudioProcessChain, InitNamesStagesInByteOrderThenAppliesMatchingBlocks) {
    gEvents.clear();
    TwoStageChain chain(
        std::make_unique<ListProvider>(std::vector<std::string>{"X", "PostEQ2", "postEQ"}));
    chain.setEffect("PostEQ2", std::make_unique<RecordingEffect>("b"));
    chain.setEffect("PostEQ", std::make_unique<RecordingEffect>("a"));
    ASSERT_TRUE(chain.init(nullptr));
    EXPECT_EQ(std::string(chain.findEffect("PostEQ")->getName()), "PostEQ");
    EXPECT_EQ(chain.findEffect("posteq"), nullptr);
    // Unknown "X" and the differently cased "postEQ" are skipped.
    EXPECT_EQ(gEvents, (std::vector<std::string>{"init a", "init b", "set b PostEQ2", "applied"}));
    EXPECT_EQ(chain.effects().begin()->first, "PostEQ");
}

TEST(AudioProcessChain, ReplacingAStageDestroysTheOldEffect) {
    gEvents.clear();
    TwoStageChain chain(nullptr);
    chain.setEffect("A", std::make_unique<RecordingEffect>("old"));
    chain.setEffect("A", std::make_unique<RecordingEffect>("new"));
    EXPECT_EQ(gEvents, (std::vector<std::string>{"destroy old"}));
    EXPECT_TRUE(chain.init(nullptr));  // no provider: only the stage is initialised
}

TEST(AudioProcessChain, ReleaseIsRepeatableAndSilencesTheProvider) {
    gEvents.clear();
    TwoStageChain chain(std::make_unique<ListProvider>(std::vector<std::string>{"A"}));
    chain.setEffect("A", std::make_unique<RecordingEffect>("a"));
    chain.init(nullptr);
    chain.release();
    EXPECT_EQ(chain.provider(), nullptr);
    EXPECT_TRUE(chain.effects().empty());
    chain.release();
    chain.onParametersChanged();
    EXPECT_EQ(gEvents,
              (std::vector<std::string>{"init a", "set a A", "applied", "release a", "destroy a"}));
    EXPECT_EQ(chain.blockSize(), 64u);
}

}  // namespace
}  // namespace veltra
