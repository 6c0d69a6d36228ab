// Controls moved while the plugin plays, as a host moves them: the output must never drop out or
// click, and must settle on what a plugin that ran with the final values all along gives.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "lv2/PluginInstance.h"
#include "support/AllocationCounter.h"
#include "support/Signals.h"

namespace {

using veltra::testing::Instance;
using veltra::testing::rms;
using veltra::testing::tone;

constexpr std::size_t kRate = 48000;
constexpr std::size_t kRun = 256;          // frames per host call
constexpr std::size_t kStart = kRate / 2;  // the first change: after the stream's opening fade
constexpr std::size_t kSteps = 30;         // over half a second: a control moved 60 times a second
constexpr std::size_t kSettle = kRate / 10;  // 100 ms
constexpr std::size_t kWindow = kRate / 100;

struct Move {
    std::string symbol;
    float from, to;
};

struct Case {
    std::vector<float> left, right;
    std::vector<Move> moves;
    float enhancement = 1.0f;
    // The enhancement switch set at these frames in every run; the level and click checks are
    // then left out, as the switch's own fade goes through silence.
    std::vector<std::pair<std::size_t, float>> switches = {};
};

enum class Controls { kFirst, kMoving, kLast };

struct Output {
    std::vector<float> channel[2];
    long allocations = 0;
};

std::size_t stepFrame(std::size_t step) {
    return (kStart + step * kRate / 2 / kSteps) / kRun * kRun;  // on a host call's edge
}

// The plugin over the whole case in host calls of kRun frames: the controls at their first or
// last values throughout, or stepping from first to last.
Output play(const Case& c, Controls controls) {
    const std::size_t n = c.left.size();
    Instance plugin(kRate);
    plugin.connectTuning();
    plugin.enhancement = c.enhancement;
    const auto set = [&](double at) {
        for (const Move& m : c.moves)
            plugin.control(m.symbol) = float(m.from + (m.to - m.from) * at);
    };
    set(controls == Controls::kLast ? 1.0 : 0.0);
    Output out;
    for (auto& channel : out.channel) channel.assign(n, 0.0f);
    std::vector<float> l = c.left, r = c.right;
    std::size_t step = 1;
    for (std::size_t at = 0; at < n; at += kRun) {
        if (controls == Controls::kMoving && step <= kSteps && at == stepFrame(step - 1))
            set(double(step++) / kSteps);
        for (const auto& [frame, value] : c.switches)
            if (at == frame / kRun * kRun) plugin.enhancement = value;
        const long before = veltra::support::allocationCount();
        plugin.run(l, r, out.channel[0], out.channel[1], at, std::uint32_t(std::min(kRun, n - at)),
                   false);
        out.allocations += veltra::support::allocationCount() - before;
    }
    return out;
}

double largestStep(const std::vector<float>& x, std::size_t from, std::size_t to) {
    double step = 0.0;
    for (std::size_t i = from + 1; i < to; ++i)
        step = std::max(step, double(std::fabs(x[i] - x[i - 1])));
    return step;
}

// The largest level of `out - reference` in 10 ms windows over [from, to), relative to the
// reference's level in the same window.
double differenceDb(const std::vector<float>& out, const std::vector<float>& reference,
                    std::size_t from, std::size_t to) {
    double difference = -1e9;
    std::vector<float> d(kWindow);
    for (std::size_t w = from; w + kWindow <= to; w += kWindow) {
        for (std::size_t i = 0; i < kWindow; ++i) d[i] = out[w + i] - reference[w + i];
        difference = std::max(
            difference, 20.0 * std::log10(rms(d, 0, kWindow) / rms(reference, w, w + kWindow)));
    }
    return difference;
}

// The three promises for one case, on both channels (only the last across a switch's fade).
void expectLiveChange(const Case& c) {
    const Output first = play(c, Controls::kFirst), last = play(c, Controls::kLast),
                 moving = play(c, Controls::kMoving);
    EXPECT_EQ(moving.allocations, 0);
    const std::size_t end = c.left.size();
    // The last change, a switch's being when its fade is back at full level (200 ms).
    std::size_t lastChange = stepFrame(kSteps - 1);
    for (const auto& [frame, value] : c.switches)
        lastChange = std::max(lastChange, frame + kRate / 5);
    for (int ch = 0; ch < 2; ++ch) {
        const auto& out = moving.channel[ch];
        const auto& a = first.channel[ch];
        const auto& b = last.channel[ch];
        // Settled: 100 ms after the last change, within -60 dB of the final values' output.
        EXPECT_LT(differenceDb(out, b, lastChange + kSettle, end), -60.0) << "channel " << ch;
        // Switched off, the stages that stay in the path play exactly what they would have.
        if (c.switches.size() == 2) {
            EXPECT_LT(differenceDb(out, b, c.switches[0].first + kRate / 5, c.switches[1].first),
                      -60.0)
                << "channel " << ch;
        }
        if (!c.switches.empty()) continue;
        // No dropout: every 10 ms window at least the lower of the two steady levels, less 1 dB.
        double worst = 1e9;
        for (std::size_t w = kStart; w + kWindow <= end; w += kWindow / 2) {
            const double floor = std::min(rms(a, w, w + kWindow), rms(b, w, w + kWindow));
            worst = std::min(worst, 20.0 * std::log10(rms(out, w, w + kWindow) / floor));
        }
        EXPECT_GT(worst, -1.0) << "channel " << ch;
        // No click: no step between samples beyond what the path gives this input either way.
        const double allowed =
            std::max(largestStep(a, kStart, end), largestStep(b, kStart, end)) * 1.02;
        EXPECT_LE(largestStep(out, kStart, end), allowed) << "channel " << ch;
    }
}

// Noise shaped towards low frequencies with a few held notes over it, different on each side:
// a broad spectrum with a side signal for the widener, at a level no limiter acts on.
std::vector<float> musicLike(std::size_t n, unsigned seed, double level) {
    std::mt19937 random(seed);
    std::normal_distribution<double> white(0.0, 1.0);
    std::vector<float> x(n);
    double low = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        low += 0.05 * (white(random) - low);
        const double t = double(i) / kRate;
        const double notes = std::sin(2 * veltra::testing::kPi * 220.0 * seed * t) +
                             0.5 * std::sin(2 * veltra::testing::kPi * 587.3 * t);
        x[i] = float(level * (2.0 * low + 0.15 * white(random) + 0.3 * notes));
    }
    return x;
}

constexpr std::size_t kLength = kStart + kRate / 2 + kRate;  // room for a switch and back

TEST(LiveTuning, APreEqBandGlidesUpOnASine) {
    Case c{tone(kLength, 1500, 0.05), tone(kLength, 1500, 0.05), {{"pre_eq_band4_gain_db", 0, 6}}};
    expectLiveChange(c);
}

TEST(LiveTuning, APreEqBandGlidesUpOnMusicLikeNoise) {
    Case c{
        musicLike(kLength, 1, 0.02), musicLike(kLength, 2, 0.02), {{"pre_eq_band4_gain_db", 0, 6}}};
    expectLiveChange(c);
}

TEST(LiveTuning, ALimiterThresholdMovesIntoTheSignal) {
    Case c{tone(kLength, 1000, 0.1), tone(kLength, 1000, 0.1), {{"limiter_threshold_db", -3, -26}}};
    expectLiveChange(c);
}

TEST(LiveTuning, TheWidenersValuesMove) {
    Case c{musicLike(kLength, 1, 0.02),
           musicLike(kLength, 2, 0.02),
           {{"surround_side_gain_db", -18, -6},
            {"surround_side_highpass_hz", 500, 300},
            {"surround_second_mix_db", -100, -12}}};
    expectLiveChange(c);
}

// The first limiter is recovering slowly from a loud passage while a later stage is tuned: it
// keeps its state, so the output still settles on the final values' within 100 ms. Restarted,
// its gain would jump back to unity and take seconds to agree again.
TEST(LiveTuning, StagesWhoseValuesStayKeepTheirState) {
    std::vector<float> l = tone(kLength, 700, 0.5), r = tone(kLength, 900, 0.5);
    for (std::size_t i = kStart / 2; i < kLength; ++i) l[i] *= 0.2f, r[i] *= 0.2f;
    Case c{l, r, {{"post_eq_band1_freq_hz", 200, 120}, {"limiter_release_ms", 3000, 3000}}, 0.0f};
    c.moves.push_back({"limiter_threshold_db", -24, -24});
    expectLiveChange(c);
}

// The enhancement switch fades out while the widener's values are on the move: the crossfade
// under way ends at the silence and the surround stages leave the path. Switched back on, they
// return with the final values and the output settles on the final values' as before.
TEST(LiveTuning, TheEnhancementSwitchDuringACrossfade) {
    Case c{musicLike(kLength, 1, 0.02),
           musicLike(kLength, 2, 0.02),
           {{"surround_side_gain_db", -18, -6}, {"post_eq2_band1_freq_hz", 200, 150}}};
    const std::size_t last = stepFrame(kSteps - 1);
    c.switches = {{last - 4800 + 512, 0.0f}, {last + kRate / 4, 1.0f}};      // silent 10 ms into
    expectLiveChange(c);                                                     // the last crossfade
    c.switches = {{stepFrame(kSteps / 2), 0.0f}, {last + kRate / 4, 1.0f}};  // mid-move
    c.moves.push_back({"limiter2_threshold_db", -3, -6});
    expectLiveChange(c);
}

}  // namespace
