#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effects/kernels/KernelSelection.h"
#include "engine/PlaybackModule.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

// Four seconds of stereo: loud bursts for both limiters with quiet stretches for their release
// on the left, a tone in noise on the right.
std::vector<float> music(int rate) {
    const std::size_t frames = 4 * std::size_t(rate);
    return testing::interleave(testing::bursts(frames, 220, std::size_t(rate)),
                               testing::tone(frames, 1700, 0.5, rate, 0.3f, unsigned(rate)));
}

// The whole speaker path on one kernel path, in 10 ms buffers, with the enhancement switched
// off and on again twice (each a fade out, a switch of the surround group and a fade in).
std::vector<float> speaker(const char* isa, int rate, const std::vector<float>& input) {
    setenv("VELTRA_ISA", isa, 1);
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, std::uint32_t(rate));
    unsetenv("VELTRA_ISA");
    EXPECT_STREQ(kernels::KernelSelection::active().name, isa);
    std::vector<float> out = input;
    const std::size_t buffer = std::size_t(rate) / 100, frames = input.size() / 2;
    for (std::size_t at = 0, call = 0; at < frames; at += buffer, ++call) {
        if (call % 100 == 0) {
            std::uint32_t record[2] = {10003, (call / 100) % 2 == 0 ? 1u : 0u};
            sendPlaybackParameter(engine, record);
        }
        const auto n = std::uint32_t(std::min(buffer, frames - at));
        processPlayback(engine, out.data() + 2 * at, out.data() + 2 * at, n);
    }
    destroyPlaybackEngine(engine);
    return out;
}

TEST(KernelPaths, EveryPathGivesTheScalarPathsBitsThroughTheWholeSpeakerPath) {
    for (int rate : {44100, 48000}) {
        const std::vector<float> input = music(rate);
        const std::vector<float> reference = speaker("scalar", rate, input);
        for (const kernels::KernelTable* path : testing::kernelPaths()) {
            SCOPED_TRACE(::testing::Message() << path->name << " at " << rate);
            const std::vector<float> out = speaker(path->name, rate, input);
            EXPECT_TRUE(testing::sameBits(out, reference));
        }
    }
}

TEST(KernelPaths, AMissingPathFallsBackToTheBestAvailableWithOneNotice) {
    kernels::KernelSelection::takeFallbackNotice();  // whatever an earlier test left
    setenv("VELTRA_ISA", "avx512", 1);
    const kernels::KernelTable& chosen = kernels::KernelSelection::choose();
    unsetenv("VELTRA_ISA");
    const kernels::KernelTable* best = kernels::KernelSelection::supported(kernels::Isa::Avx2);
    if (best == nullptr) best = kernels::KernelSelection::supported(kernels::Isa::Sse2);
    if (best == nullptr) best = &kernels::scalarKernels();
    EXPECT_EQ(&chosen, best);
    const char* notice = kernels::KernelSelection::takeFallbackNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_NE(std::string(notice).find("VELTRA_ISA=avx512"), std::string::npos);
    EXPECT_EQ(kernels::KernelSelection::takeFallbackNotice(), nullptr);  // once per process
}

}  // namespace
}  // namespace veltra
