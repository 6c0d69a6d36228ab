#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/surround/SurroundKernel.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

enum class Buffers { Separate, InPlace, Crossed };

// Two channels of loud, different tones through a kernel in 64-frame calls, with the outputs in
// their own buffers, over the inputs, or each over the other channel's input.
std::vector<float> run(Buffers buffers, std::int32_t bypass) {
    constexpr std::size_t kFrames = 64 * 40;
    const auto kernel = std::make_unique<SurroundKernel>(48000);
    kernel->bypass = bypass;
    const std::vector<float> left = testing::tone(kFrames, 440.0, 0.9, 48000, 0.2f, 1);
    const std::vector<float> right = testing::tone(kFrames, 97.0, 0.6, 48000, 0.2f, 2);
    std::vector<float> out(2 * kFrames);
    for (std::size_t at = 0; at < kFrames; at += 64) {
        float a[64], b[64], separate[2][64];
        std::copy_n(left.begin() + long(at), 64, a);
        std::copy_n(right.begin() + long(at), 64, b);
        float* outLeft = buffers == Buffers::Separate  ? separate[0]
                         : buffers == Buffers::InPlace ? a
                                                       : b;
        float* outRight = buffers == Buffers::Separate  ? separate[1]
                          : buffers == Buffers::InPlace ? b
                                                        : a;
        kernel->process(a, b, outLeft, outRight, 64);
        std::copy_n(outLeft, 64, out.begin() + long(at));
        std::copy_n(outRight, 64, out.begin() + long(kFrames + at));
    }
    return out;
}

// Where the output goes changes no sample, processed or bypassed.
TEST(SurroundKernel, InPlaceAndCrossedOutputsGiveTheSameSamples) {
    for (const std::int32_t bypass : {0, 1}) {
        SCOPED_TRACE(bypass);
        const std::vector<float> separate = run(Buffers::Separate, bypass);
        EXPECT_TRUE(testing::sameBits(run(Buffers::InPlace, bypass), separate));
        EXPECT_TRUE(testing::sameBits(run(Buffers::Crossed, bypass), separate));
    }
}

}  // namespace
}  // namespace veltra
