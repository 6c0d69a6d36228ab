// The plugin as a host sees it: the shared object from the bundle, opened with dlopen and driven
// only through lv2_descriptor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "lv2/PluginInstance.h"
#include "support/AllocationCounter.h"
#include "support/Playback.h"
#include "support/Signals.h"

namespace {

using veltra::testing::descriptor;
using veltra::testing::Instance;
using veltra::testing::rms;
using veltra::testing::tone;

TEST(SpeakerPlugin, RefusesRatesTheEngineCannotRun) {
    ASSERT_NE(descriptor(), nullptr) << dlerror();
    EXPECT_STREQ(descriptor()->URI, "urn:veltradsp:speaker");
    for (double rate : {0.0, -48000.0, 44100.5, 2.0e6, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(Instance(rate).handle, nullptr) << rate;
    EXPECT_NE(Instance(44100).handle, nullptr);
}

// Any block sizes, in place or not, with the enhancement switched twice: the plugin's output is
// the engine's driven in 10 ms calls (the same frames, the same switch positions), sample for
// sample, and its runs allocate nothing.
TEST(SpeakerPlugin, RunsAnyBlockSizesAsTheEngineDoesWithoutAllocating) {
    const std::uint32_t sizes[] = {0, 1, 64, 333, 4096, 8192, 17, 480, 1000, 2};
    const std::size_t total = 3 * 14185;  // three passes over the sizes
    std::vector<float> l = tone(total, 220, 0.9, 48000, 0.05f, 1),
                       r = tone(total, 1700, 0.6, 48000, 0.05f, 2);
    const std::vector<float> input = veltra::testing::interleave(l, r);  // runs in place overwrite
    std::vector<float> ol(total), orr(total);

    Instance plugin(48000);
    ASSERT_NE(plugin.handle, nullptr);
    const long beforeActivate = veltra::support::allocationCount();
    plugin.d->activate(plugin.handle);  // a new stream: the counter sees the plugin's allocations
    ASSERT_GT(veltra::support::allocationCount(), beforeActivate);
    veltra::testing::Switches switches;
    std::size_t at = 0;
    int step = 0;
    long allocations = 0;
    for (int pass = 0; pass < 3; ++pass) {
        for (std::uint32_t n : sizes) {
            plugin.enhancement = (step++ / 7) % 2 == 0 ? 1.0f : 0.0f;
            if (switches.empty() || switches.back().second != std::uint32_t(plugin.enhancement))
                switches.emplace_back(at, std::uint32_t(plugin.enhancement));
            const long before = veltra::support::allocationCount();
            plugin.run(l, r, ol, orr, at, n, step % 2 == 0);
            allocations += veltra::support::allocationCount() - before;
            at += n;
        }
    }
    ASSERT_EQ(at, total);
    EXPECT_EQ(allocations, 0);
    const auto reference = veltra::testing::playThrough(input, 480, switches);
    std::size_t differ = 0;
    for (std::size_t i = 0; i < total; ++i)
        differ += (ol[i] != reference[2 * i]) + (orr[i] != reference[2 * i + 1]);
    EXPECT_EQ(differ, 0u);
}

// The latency from the default settings: one 64-frame block, the two look-ahead limiters (their
// 10 ms attack asks for 959 frames, held to the 16-frame ring they are built with: 15 each) and
// the widener's limiter (131 frames); with the enhancement off the surround stages, Limiter2
// among them, are out of the path. Bypassed, the output is the input delayed by exactly that.
TEST(SpeakerPlugin, ReportsItsLatencyAndBypassesWithTheSameDelayWithoutAClick) {
    const std::size_t n = 48000;
    // Pure low tones: any step between neighbouring samples beyond theirs would be a click.
    std::vector<float> l = tone(n, 100, 0.25), r = tone(n, 150, 0.25), ol(n), orr(n);
    Instance plugin(48000);
    plugin.enabled = 0.0f;
    plugin.run(l, r, ol, orr, 0, 4800, false);
    EXPECT_EQ(plugin.latency, 64.0f + 15.0f + 131.0f + 15.0f);
    const std::size_t delay = 225;
    for (std::size_t i = 0; i < 4800; ++i) ASSERT_EQ(ol[i], i < delay ? 0.0f : l[i - delay]) << i;

    plugin.enabled = 1.0f;  // back in, then out again: 20 ms fades, no jump
    plugin.run(l, r, ol, orr, 4800, 19200, false);
    plugin.enabled = 0.0f;
    plugin.run(l, r, ol, orr, 24000, 24000, false);
    float jump = 0.0f;
    for (std::size_t i = 4801; i < n; ++i) jump = std::max(jump, std::fabs(ol[i] - ol[i - 1]));
    EXPECT_LT(jump, 0.02f);
    for (std::size_t i = 24000 + 960; i < n; ++i) ASSERT_EQ(ol[i], l[i - delay]) << i;

    plugin.enhancement = 0.0f;  // the fade cycle moves the surround group out of the path
    plugin.run(l, r, ol, orr, 0, 24000, false);
    EXPECT_EQ(plugin.latency, 64.0f + 15.0f);
}

}  // namespace
