#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "support/Playback.h"
#include "support/Signals.h"

namespace veltra {
namespace {

using Sample = std::function<float(std::size_t frame, int channel)>;

float tone(std::size_t frame, int channel) {
    return 0.3f * float(std::sin(0.0575 * double(frame) + channel));
}

// 500 ms of a tone, 50 ms of hostile samples, then 1 s of the tone again, in 10 ms buffers.
// Returns the RMS of the last 250 ms, or -1 when any output sample was not finite.
double speakerThrough(const Sample& hostile) {
    std::vector<float> x(2 * 155 * 480);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const std::size_t frame = i / 2;
        const int c = int(i % 2);
        x[i] = (frame >= 50 * 480 && frame < 55 * 480) ? hostile(frame, c) : tone(frame, c);
    }
    x = testing::playThrough(std::move(x), 480);
    for (float v : x)
        if (!std::isfinite(v)) return -1.0;
    return testing::rms(x, 2 * 130 * 480, x.size());
}

// Whatever arrives, the speaker path never emits a non-finite sample, and one second later it
// sounds as it would have without the incident.
TEST(HostileAudio, SpeakerOutputStaysFiniteAndRecovers) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float big = std::numeric_limits<float>::max();
    const std::vector<Sample> cases = {
        [=](std::size_t, int) { return nan; },
        [=](std::size_t, int) { return inf; },
        [=](std::size_t, int) { return -inf; },
        [=](std::size_t f, int c) { return f % 2400 == 7 && c == 1 ? nan : tone(f, c); },
        [](std::size_t f, int) { return (f % 2 ? 1.0f : -1.0f) * 1.0e-40f; },  // denormals
        [](std::size_t f, int) { return (f / 24) % 2 ? 1.0f : -1.0f; },        // full-scale square
        [](std::size_t, int) { return 1.0f; },
        [](std::size_t, int) { return -1.0f; },
        [](std::size_t f, int) { return f % 2 ? 1.0e30f : -1.0e30f; },
        [=](std::size_t, int) { return big; },
    };
    const double clean = speakerThrough(tone);
    ASSERT_GT(clean, 0.01);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_NEAR(speakerThrough(cases[i]), clean, 0.05 * clean) << "case " << i;
}

}  // namespace
}  // namespace veltra
