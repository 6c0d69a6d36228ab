#include <gtest/gtest.h>

#include <vector>

#include "apo/ConnectionProcessing.h"

namespace veltra::apo {
namespace {

// Stands in for an engine: negates every sample and counts the calls.
struct Negate {
    int calls = 0;
    static void step(void* context, float* buffer, UINT32 frames) {
        ++static_cast<Negate*>(context)->calls;
        for (UINT32 i = 0; i < 2 * frames; ++i) buffer[i] = -buffer[i];
    }
};

APO_CONNECTION_PROPERTY connection(std::vector<float>& buffer, UINT32 frames,
                                   APO_BUFFER_FLAGS flags) {
    return {reinterpret_cast<std::uintptr_t>(buffer.data()), frames, flags, 0x41434450u};
}

// Valid stereo runs the engine into a distinct output; raw mode copies; an invalid input touches
// nothing; a silent one is zeroed (only frames x channels samples), processed, and stays flagged
// silent.
TEST(ConnectionProcessing, FlagsModeAndChannelsDecideWhatReachesTheOutput) {
    Negate engine;
    std::vector<float> in{0.5f, -0.25f, 1.0f, 0.0f}, out(4, 9.0f);
    auto i = connection(in, 2, BUFFER_VALID);
    auto o = connection(out, 0, BUFFER_INVALID);
    processConnection(i, &o, 1, 2, false, &Negate::step, &engine);
    EXPECT_EQ(out, (std::vector<float>{-0.5f, 0.25f, -1.0f, 0.0f}));
    EXPECT_EQ(o.u32BufferFlags, BUFFER_VALID);
    EXPECT_EQ(o.u32ValidFrameCount, 2u);
    i.u32ValidFrameCount = 1;  // (the engine ran in place: `in` holds its output now)
    out.assign(4, 9.0f);
    processConnection(i, &o, 1, 2, true, &Negate::step, &engine);  // raw: one stereo frame
    EXPECT_EQ(out, (std::vector<float>{-0.5f, 0.25f, 9.0f, 9.0f}));
    EXPECT_EQ(engine.calls, 1);

    std::vector<float> untouched(2, 3.0f);
    auto u = connection(untouched, 7, BUFFER_SILENT);
    auto bad = connection(in, 1, BUFFER_INVALID);
    processConnection(bad, &u, 1, 2, false, &Negate::step, &engine);
    EXPECT_EQ(untouched, (std::vector<float>{3.0f, 3.0f}));
    EXPECT_EQ(u.u32ValidFrameCount, 7u);
    EXPECT_EQ(u.u32BufferFlags, BUFFER_SILENT);

    std::vector<float> buffer{0.7f, 0.7f, 0.7f, 0.7f, 5.0f};
    auto s = connection(buffer, 2, BUFFER_SILENT);
    auto same = connection(buffer, 0, BUFFER_VALID);  // in place
    processConnection(s, &same, 1, 2, false, &Negate::step, &engine);
    EXPECT_EQ(engine.calls, 2);
    EXPECT_EQ(buffer, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f, 5.0f}));
    EXPECT_EQ(same.u32BufferFlags, BUFFER_SILENT);
}

}  // namespace
}  // namespace veltra::apo
