#include <gtest/gtest.h>

#include <vector>

#include "effects/surround/SurroundKernel.h"
#include "reference/ScalarWidener.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

constexpr int kRate = 48000;

using testing::bursts;
using testing::sameBits;

TEST(WidenerFastPath, EveryKernelPathMatchesThePerSampleLoopForEveryPresetBitForBit) {
    for (const kernels::KernelTable* path : testing::kernelPaths())
        for (int run = 0; run < 6; ++run) {
            const int preset = run % 5;
            // The chain's block, an odd one, blocks shorter than the kernels' internal skews,
            // and one longer than the passes a kernel makes over its buffers.
            const std::size_t blocks[] = {64, 37, 3, 8, 1, 150};
            const std::size_t block = blocks[run];
            SCOPED_TRACE(::testing::Message()
                         << path->name << " preset " << preset << " block " << block);
            const float* row = SurroundKernel::presetRow(preset);
            StereoWidener widener(kRate);
            widener.useKernels(*path);
            widener.load(row);
            widener.setDirectSideGain(row[2] - 1.5f);  // as an intensity change would
            std::array<FourthOrderFilter, 5> filters = widener.filters();
            std::vector<float> l = bursts(kRate, 330, 9000), r = bursts(kRate, 1200, 4000);
            std::vector<float> refL = l, refR = r;
            for (std::size_t at = 0; at < l.size(); at += block) {
                const int n = int(std::min(block, l.size() - at));
                widener.process(l.data() + at, r.data() + at, n);
            }
            reference::widener(filters, widener.values(), refL.data(), refR.data(),
                               int(refL.size()));
            EXPECT_TRUE(sameBits(l, refL));
            EXPECT_TRUE(sameBits(r, refR));
        }
}

}  // namespace
}  // namespace veltra
