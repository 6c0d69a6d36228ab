#include <gtest/gtest.h>

#include <vector>

#include "apo/ConnectionProcessing.h"

namespace veltra::apo {
namespace {

// Stands in for an engine: negates every sample and counts the calls.
struct Negate {
    int calls = 0;
    static void step(void* context, float* buffer, UINT32 frames) {
        auto* self = static_cast<Negate*>(context);
        ++self->calls;
        for (UINT32 i = 0; i < 2 * frames; ++i) buffer[i] = -buffer[i];
    }
};

APO_CONNECTION_PROPERTY connection(std::vector<float>& buffer, UINT32 frames,
                                   APO_BUFFER_FLAGS flags) {
    return {reinterpret_cast<std::uintptr_t>(buffer.data()), frames, flags, 0x41434450u};
}

TEST(ConnectionProcessing, ValidStereoRunsTheEngineAndReachesADistinctOutput) {
    std::vector<float> in{0.5f, -0.25f, 1.0f, 0.0f}, out(4, 9.0f);
    auto i = connection(in, 2, BUFFER_VALID);
    auto o = connection(out, 0, BUFFER_INVALID);
    Negate engine;
    processConnection(i, &o, 1, 2, false, &Negate::step, &engine);
    EXPECT_EQ(engine.calls, 1);
    EXPECT_EQ(out, (std::vector<float>{-0.5f, 0.25f, -1.0f, 0.0f}));
    EXPECT_EQ(o.u32BufferFlags, BUFFER_VALID);
    EXPECT_EQ(o.u32ValidFrameCount, 2u);
}

TEST(ConnectionProcessing, RawModeAndMonoCopyThroughInvalidTouchesNothing) {
    Negate engine;
    std::vector<float> in{0.5f, -0.25f}, out(2, 9.0f);
    auto i = connection(in, 1, BUFFER_VALID);
    auto o = connection(out, 0, BUFFER_INVALID);
    processConnection(i, &o, 1, 2, true, &Negate::step, &engine);  // raw
    processConnection(i, &o, 1, 1, false, &Negate::step,
                      &engine);  // mono (2 frames would be read as 1)
    EXPECT_EQ(engine.calls, 0);
    EXPECT_EQ(out[0], 0.5f);

    std::vector<float> untouched(2, 3.0f);
    auto u = connection(untouched, 7, BUFFER_SILENT);
    auto bad = connection(in, 1, BUFFER_INVALID);
    processConnection(bad, &u, 1, 2, false, &Negate::step, &engine);
    EXPECT_EQ(untouched, (std::vector<float>{3.0f, 3.0f}));
    EXPECT_EQ(u.u32ValidFrameCount, 7u);
    EXPECT_EQ(u.u32BufferFlags, BUFFER_SILENT);
}

TEST(ConnectionProcessing, SilentInputIsZeroedProcessedAndStaysFlaggedSilent) {
    std::vector<float> buffer{0.7f, 0.7f, 0.7f, 0.7f, 5.0f};
    auto i = connection(buffer, 2, BUFFER_SILENT);
    auto o = i;  // in place: the same buffer
    o.u32BufferFlags = BUFFER_VALID;
    Negate engine;
    processConnection(i, &o, 1, 2, false, &Negate::step, &engine);
    EXPECT_EQ(engine.calls, 1);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(buffer[k], 0.0f);
    EXPECT_EQ(buffer[4], 5.0f);  // only frames x channels samples are cleared
    EXPECT_EQ(o.u32BufferFlags, BUFFER_SILENT);
    processConnection(i, nullptr, 0, 2, false, &Negate::step, &engine);  // no output connection
    EXPECT_EQ(engine.calls, 2);
}

}  // namespace
}  // namespace veltra::apo
