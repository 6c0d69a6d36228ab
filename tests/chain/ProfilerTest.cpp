#include <gtest/gtest.h>

#include <cstdint>

#include "chain/Profiler.h"

namespace veltra {
namespace {

std::uint32_t gNow = 0;

// Intervals add up per name, across the 32-bit clock's wrap; a restart forgets an unstopped
// interval; reset forgets everything.
TEST(Profiler, SectionsSumTheirIntervalsAcrossTheClocksWrap) {
    Profiler profiler;
    profiler.setClock([] { return gNow; });
    for (auto [from, to] : {std::pair{0xFFFFFF00u, 0x00000100u}, std::pair{1000u, 1042u}}) {
        gNow = from;
        profiler.start("a");
        gNow = to;
        profiler.stop("a");
    }
    gNow = 5;
    profiler.start("b");
    profiler.start("b");
    gNow = 9;
    profiler.stop("b");
    EXPECT_EQ(profiler.total("a"), 512u + 42u);
    EXPECT_EQ(profiler.total("b"), 4u);
    EXPECT_EQ(profiler.names(), (std::vector<std::string>{"a", "b"}));
    profiler.reset();
    EXPECT_TRUE(profiler.names().empty());
    EXPECT_EQ(profiler.total("a"), 0u);
}

TEST(Profiler, CounterConversionTruncatesThroughNanoseconds) {
    // 10 MHz counter: 3 s + 1234567 ticks = 3 s + 123456700 ns -> 3123456 us.
    EXPECT_EQ(Profiler::counterToMicroseconds(31234567, 10000000), 3123456u);
    // Remainder 2 ticks of 3 Hz: 2 x 10^9 / 3 = 666666666 ns.
    EXPECT_EQ(Profiler::counterToMicroseconds(5, 3), 1666666u);
    // Past 2^32 us the reading keeps its low 32 bits.
    EXPECT_EQ(Profiler::counterToMicroseconds(4294968, 1),
              static_cast<std::uint32_t>(4294968000000ull));
    EXPECT_EQ(Profiler::counterToMicroseconds(100, 0), 0u);
}

}  // namespace
}  // namespace veltra
