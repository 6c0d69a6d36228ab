#include <gtest/gtest.h>

#include <cstdint>

#include "chain/Profiler.h"

namespace veltra {
namespace {

std::uint32_t gNow = 0;
std::uint32_t fakeClock() {
    return gNow;
}

TEST(Profiler, IntervalSpanningTheWrapAddsTheTrueDuration) {
    Profiler profiler;
    profiler.setClock(&fakeClock);
    gNow = 0xFFFFFF00u;
    profiler.start("process");
    gNow = 0x00000100u;  // 512 us later, after the 32-bit reading wrapped
    profiler.stop("process");
    EXPECT_EQ(profiler.total("process"), 512u);
}

TEST(Profiler, RepeatedSectionsSumAndResetClears) {
    Profiler profiler;
    profiler.setClock(&fakeClock);
    for (std::uint32_t length : {30u, 12u}) {
        gNow = 1000;
        profiler.start("a");
        gNow = 1000 + length;
        profiler.stop("a");
    }
    gNow = 5;
    profiler.start("b");
    profiler.start("b");  // a restart forgets the unstopped interval
    gNow = 9;
    profiler.stop("b");
    EXPECT_EQ(profiler.total("a"), 42u);
    EXPECT_EQ(profiler.total("b"), 4u);
    EXPECT_EQ(profiler.names(), (std::vector<std::string>{"a", "b"}));
    profiler.reset();
    EXPECT_TRUE(profiler.names().empty());
    EXPECT_EQ(profiler.total("a"), 0u);
}

TEST(Profiler, CounterConversionTruncatesThroughNanoseconds) {
    // 10 MHz counter: 3 s + 1234567 ticks = 3 s + 123456700 ns -> 3123456 us.
    EXPECT_EQ(Profiler::counterToMicroseconds(31234567, 10000000), 3123456u);
    // 3 ticks of a 3 GHz-ish odd frequency: remainder 2 x 10^9 / 3 = 666666666 ns.
    EXPECT_EQ(Profiler::counterToMicroseconds(5, 3), 1666666u);
    // Past 2^32 us the reading keeps its low 32 bits.
    EXPECT_EQ(Profiler::counterToMicroseconds(4294968, 1),
              static_cast<std::uint32_t>(4294968000000ull));
    EXPECT_EQ(Profiler::counterToMicroseconds(100, 0), 0u);
}

}  // namespace
}  // namespace veltra
