#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/SurroundKernel.h"
#include "reference/ScalarLimiter.h"
#include "reference/ScalarWidener.h"
#include "support/Blocks.h"
#include "support/KernelPaths.h"
#include "support/SameBits.h"
#include "support/Signals.h"

namespace veltra {
namespace {

constexpr int kRate = 48000;

using testing::bursts;
using testing::sameBits;

// The two default limiters' settings and one with a hold time, a floor and input gain.
std::vector<std::vector<float>> settings() {
    std::vector<std::vector<float>> all;
    for (const auto& block : PlaybackAudioProcessChainProvider::defaultList()) {
        if (block->effectType != kEffectTypeLimiter) continue;
        all.emplace_back();
        for (int i = 0; i < LimiterKernel::kParameterCount; ++i)
            all.back().push_back(block->floatAt(std::size_t(i)));
    }
    all.push_back({0.0f, 3.0f, -6.0f, -3.0f, 5.0f, 2.0f, 100.0f, 16.0f});
    return all;
}

TEST(LimiterFastPath, ChannelPairsMatchTheOneChannelLoopBitForBit) {
    for (const std::vector<float>& values : settings()) {
        LimiterAudioEffectObject limiter(3, kRate);  // a pair and a single channel
        limiter.init();
        limiter.setParameters(testing::block(kEffectTypeLimiter, values));
        std::vector<std::unique_ptr<LimiterKernel>> kernels;  // as each channel builds its own
        for (int c = 0; c < 3; ++c) {
            kernels.push_back(std::make_unique<LimiterKernel>(kRate, 0.0f));
            kernels.back()->setParameters(values.data());
        }
        std::vector<std::vector<float>> in = {bursts(3 * kRate, 440, 7000),
                                              bursts(3 * kRate, 97, 11000),
                                              bursts(3 * kRate, 3000, 5000)};
        std::vector<std::vector<float>> out = in, ref = in;
        for (std::size_t at = 0; at < in[0].size(); at += 64) {
            float* io[3] = {out[0].data() + at, out[1].data() + at, out[2].data() + at};
            limiter.process(io, io, 64);
        }
        for (int c = 0; c < 3; ++c) {
            reference::limiter(*kernels[c], ref[c].data(), ref[c].data(), int(ref[c].size()));
            EXPECT_TRUE(sameBits(out[c], ref[c])) << "channel " << c;
            EXPECT_EQ(limiter.channel(c).kernel()->gain, kernels[c]->gain);
        }
    }
}

TEST(LimiterFastPath, SurroundLimiterMatchesTheOneChannelLoopBitForBit) {
    SurroundLimiter limiter(kRate);
    auto left = std::make_unique<SurroundLimiter::Channel>(limiter.channel(0));
    auto right = std::make_unique<SurroundLimiter::Channel>(limiter.channel(1));
    std::vector<float> l = bursts(2 * kRate, 330, 9000), r = bursts(2 * kRate, 1200, 4000);
    std::vector<float> refL = l, refR = r;
    for (std::size_t at = 0; at < l.size(); at += 64) {
        float* io[2] = {l.data() + at, r.data() + at};
        limiter.process(io, io, 2, 64);
    }
    reference::surroundLimiter(*left, refL.data(), refL.data(), int(refL.size()));
    reference::surroundLimiter(*right, refR.data(), refR.data(), int(refR.size()));
    EXPECT_TRUE(sameBits(l, refL));
    EXPECT_TRUE(sameBits(r, refR));
}

TEST(WidenerFastPath, EveryKernelPathMatchesThePerSampleLoopForEveryPresetBitForBit) {
    for (const kernels::KernelTable* path : testing::kernelPaths())
        for (int preset = 0; preset < 5; ++preset) {
            SCOPED_TRACE(::testing::Message() << path->name << " preset " << preset);
            const float* row = SurroundKernel::presetRow(preset);
            const std::size_t block = preset % 2 == 0 ? 64 : 37;  // the chain's, and odd ones
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
