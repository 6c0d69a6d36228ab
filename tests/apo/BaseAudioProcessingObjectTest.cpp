#include <gtest/gtest.h>

#include "apo/BaseAudioProcessingObject.h"

namespace veltra::apo {
namespace {

// Negotiation, the lock's checks, the registration copy, latency and channel count are the host
// checks' (natively and on the real DLL); here the clamps of a requested format they do not reach.
TEST(BaseAudioProcessingObject, FormatsAreClampedToWhatTheEngineRuns) {
    UNCOMPRESSEDAUDIOFORMAT f{KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 0, 4, 32, 5.0f, 0};
    EXPECT_TRUE(BaseAudioProcessingObject::correctFormat(f));
    EXPECT_EQ(f.dwSamplesPerFrame, 1u);
    EXPECT_EQ(f.fFramesPerSecond, 10.0f);
    f = {KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 5000, 4, 32, 1e6f, 0};
    BaseAudioProcessingObject::correctFormat(f);
    EXPECT_EQ(f.dwSamplesPerFrame, 4096u);
    EXPECT_EQ(f.fFramesPerSecond, 384000.0f);
}

}  // namespace
}  // namespace veltra::apo
