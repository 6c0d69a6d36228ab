#include <gtest/gtest.h>

#include <string>

#include "engine/DebugLog.h"

namespace veltra {
namespace {

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
