// The offline host reads a file in pieces; the module sees host buffers counted from the start of
// the stream. Splitting into pieces must not move a host buffer boundary, or the samples change.
#include <gtest/gtest.h>

#include <algorithm>

#include "effects/kernels/FlushDenormals.h"
#include "support/Playback.h"
#include "support/SameBits.h"
#include "support/Signals.h"
#include "tools/OfflineRunner.h"

namespace veltra::tools {
namespace {

using testing::bursts;
using testing::interleave;
using testing::sameBits;
using testing::tone;

// Three seconds of stereo with the limiters working, loud enough to reach the widener's limiter.
std::vector<float> program(std::size_t frames) {
    return interleave(bursts(frames, 220.0, 9000), tone(frames, 3100.0, 0.9, 48000, 0.2f));
}

std::vector<float> inPieces(OfflineRunner& runner, std::vector<float> x) {
    for (std::size_t at = 0; at < x.size() / 2; at += runner.pieceFrames())
        runner.process(x.data() + 2 * at, std::min(runner.pieceFrames(), x.size() / 2 - at));
    return x;
}

TEST(OfflineRunner, SpeakerInPiecesGivesTheSamplesOfOneStream) {
    const std::size_t frames = 3 * 48000 + 123;  // the last piece and host buffer are partial
    const auto x = program(frames);
    for (std::size_t host : {480u, 441u, 1u, 10000u}) {
        auto runner = OfflineRunner::speaker(2, 48000, true, host);
        ASSERT_TRUE(runner);
        EXPECT_EQ(runner->pieceFrames() % host, 0u) << host;
        EXPECT_GE(runner->pieceFrames(), std::min<std::size_t>(host, 8192)) << host;
        const auto pieces = inPieces(*runner, x);
        const kernels::ScopedFlushDenormals flush;  // as the runner does
        EXPECT_TRUE(sameBits(pieces, testing::playThrough(x, host))) << "host frames " << host;
        EXPECT_FALSE(sameBits(pieces, x)) << "the path did something";
    }
}

TEST(OfflineRunner, MicrophoneInPiecesMatchesTheCaptureEngine) {
    const std::size_t frames = 16000 + 77;
    const auto x = interleave(tone(frames, 300, 0.5, 16000, 0.1f), tone(frames, 900, 0.3, 16000));
    auto runner = OfflineRunner::microphone(2, 160);
    ASSERT_TRUE(runner);
    const auto pieces = inPieces(*runner, x);
    VeltraDspCapture* engine = createCaptureEngine();
    auto direct = x;
    const kernels::ScopedFlushDenormals flush;
    for (std::size_t at = 0; at < frames; at += 160) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(160, frames - at));
        float* b = direct.data() + 2 * at;
        processCapture(engine, b, b, b, n);
    }
    destroyCaptureEngine(engine);
    EXPECT_TRUE(sameBits(pieces, direct));
}

}  // namespace
}  // namespace veltra::tools
