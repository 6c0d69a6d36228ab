#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/DebugLog.h"
#include "engine/VeltraDsp.h"

namespace veltra {
namespace {

std::mutex gEventsLock;
std::vector<std::string> gEvents;
std::atomic<bool> gInsideBlock{false};

void record(const std::string& event) {
    const std::lock_guard<std::mutex> guard(gEventsLock);
    gEvents.push_back(event);
}

class SlowChain final : public AudioProcessChain {
  public:
    explicit SlowChain(bool accept, std::uint32_t block)
        : AudioProcessChain(nullptr), accept_(accept), block_(block) {}
    bool init(const std::uint32_t* configuration) override {
        return accept_ && AudioProcessChain::init(configuration);
    }
    std::uint32_t blockSize() const override { return block_; }
    void processBlock(float**, float**, int) override {
        gInsideBlock = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        record("block done");
    }
    std::int32_t handleSetParameter(const ParameterMessage& message) override {
        record("parameter " + std::to_string(message.identifier) + " " +
               std::to_string(message.record[1]));
        return 7;
    }

  private:
    bool accept_;
    std::uint32_t block_;
};

class TestEngine final : public VeltraDsp {
  public:
    explicit TestEngine(bool accept) : accept_(accept) {}
    std::unique_ptr<AudioProcessChain> createProcessChain() override {
        return std::make_unique<SlowChain>(accept_, 32);
    }

  private:
    bool accept_;
};

TEST(VeltraDsp, ParameterWriteDuringProcessWaitsForTheBlock) {
    gEvents.clear();
    gInsideBlock = false;
    TestEngine engine(true);
    ASSERT_TRUE(engine.init(nullptr));
    std::thread audio([&] { engine.process(nullptr, nullptr, 32); });
    while (!gInsideBlock) std::this_thread::yield();
    std::uint32_t record[2] = {10003, 1};
    std::int32_t result = 0;
    std::thread control([&] { result = engine.setParameter(record); });
    audio.join();
    control.join();
    EXPECT_EQ(result, 7);
    EXPECT_EQ(gEvents, (std::vector<std::string>{"block done", "parameter 10003 1"}));
    EXPECT_EQ(engine.blockSize(), 32);  // the chain's
    engine.release();
    engine.release();  // nothing left to release
    EXPECT_EQ(engine.setParameter(record), 0);
    EXPECT_FALSE(TestEngine(false).init(nullptr));
}

std::string gLine;
void captureLine(const char* line) {
    gLine = line;
}

TEST(DebugLog, FormatsWithTheTagAndKeepsUpTo1023Characters) {
    setDebugSink(&captureLine);
    logDebug("capture chain process samples(%d): %d\n", 160000, 532);
    EXPECT_EQ(gLine, "[VeltraDsp] capture chain process samples(160000): 532\n");
    const std::string longest(1023, 'x');
    logDebug("%s", longest.c_str());
    EXPECT_EQ(gLine, "[VeltraDsp] " + longest);
    logDebug("%s", (longest + "yz").c_str());
    EXPECT_EQ(gLine, "[VeltraDsp] " + longest);  // cut at the first buffer, never overrun
    setDebugSink(nullptr);
}

}  // namespace
}  // namespace veltra
