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

// A chain whose one block takes 50 ms and that records when parameters reach it.
class SlowChain final : public AudioProcessChain {
  public:
    SlowChain() : AudioProcessChain(nullptr) {}
    std::uint32_t blockSize() const override { return 32; }
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
};

class TestEngine final : public VeltraDsp {
  public:
    std::unique_ptr<AudioProcessChain> createProcessChain() override {
        return std::make_unique<SlowChain>();
    }
};

// A parameter written while a block runs waits for the block; the engine takes the chain's block
// size; release is repeatable, and a released engine ignores parameters.
TEST(VeltraDsp, ParameterWriteDuringProcessWaitsForTheBlock) {
    TestEngine engine;
    ASSERT_TRUE(engine.init(nullptr));
    EXPECT_EQ(engine.blockSize(), 32);
    std::thread audio([&] { engine.process(nullptr, nullptr, 32); });
    while (!gInsideBlock) std::this_thread::yield();
    std::uint32_t message[2] = {10003, 1};
    std::int32_t result = 0;
    std::thread control([&] { result = engine.setParameter(message); });
    audio.join();
    control.join();
    EXPECT_EQ(result, 7);
    EXPECT_EQ(gEvents, (std::vector<std::string>{"block done", "parameter 10003 1"}));
    engine.release();
    engine.release();
    EXPECT_EQ(engine.setParameter(message), 0);
}

std::string gLine;

TEST(DebugLog, FormatsWithTheTagAndKeepsUpTo1023Characters) {
    setDebugSink([](const char* line) { gLine = line; });
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
