#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "engine/CaptureModule.h"
#include "engine/PlaybackModule.h"

namespace veltra {
namespace {

constexpr std::uint32_t kHost = 480;  // 10 ms at 48 kHz

using Sample = std::function<float(std::size_t frame, int channel)>;

float tone(std::size_t frame, int channel) {
    return 0.3f * float(std::sin(0.0575 * double(frame) + channel));
}

struct Outcome {
    bool allFinite = true;
    double tailRms = 0.0;  // the last 250 ms
};

// 500 ms of a tone, 50 ms of hostile samples, then 1 s of the tone again, in 10 ms buffers.
Outcome speakerThrough(const Sample& hostile) {
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {10003, 1};
    sendPlaybackParameter(engine, record);
    Outcome run;
    double sum = 0.0;
    std::size_t tailSamples = 0;
    std::vector<float> buffer(2 * kHost);
    for (std::size_t call = 0; call < 155; ++call) {
        for (std::size_t f = 0; f < kHost; ++f) {
            const std::size_t frame = call * kHost + f;
            for (int c = 0; c < 2; ++c) {
                buffer[2 * f + std::size_t(c)] =
                    (call >= 50 && call < 55) ? hostile(frame, c) : tone(frame, c);
            }
        }
        processPlayback(engine, buffer.data(), buffer.data(), kHost);
        for (float v : buffer) {
            run.allFinite = run.allFinite && std::isfinite(v);
            if (call >= 130) sum += double(v) * double(v), ++tailSamples;
        }
    }
    destroyPlaybackEngine(engine);
    run.tailRms = std::sqrt(sum / double(tailSamples));
    return run;
}

// Whatever arrives, the speaker path never emits a non-finite sample, and one second later it
// sounds as it would have without the incident.
TEST(HostileAudio, SpeakerOutputStaysFiniteAndRecovers) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<const char*, Sample>> cases = {
        {"NaN", [=](std::size_t, int) { return nan; }},
        {"+Inf", [=](std::size_t, int) { return inf; }},
        {"-Inf", [=](std::size_t, int) { return -inf; }},
        {"one NaN",
         [=](std::size_t f, int c) { return f % 2400 == 7 && c == 1 ? nan : tone(f, c); }},
        {"denormals", [](std::size_t f, int) { return (f % 2 ? 1.0f : -1.0f) * 1.0e-40f; }},
        {"full-scale square", [](std::size_t f, int) { return (f / 24) % 2 ? 1.0f : -1.0f; }},
        {"DC +1", [](std::size_t, int) { return 1.0f; }},
        {"DC -1", [](std::size_t, int) { return -1.0f; }},
        {"+-1e30", [](std::size_t f, int) { return f % 2 ? 1.0e30f : -1.0e30f; }},
        {"float max", [](std::size_t, int) { return std::numeric_limits<float>::max(); }},
    };
    const double clean = speakerThrough(tone).tailRms;
    ASSERT_GT(clean, 0.01);
    for (const auto& [name, hostile] : cases) {
        SCOPED_TRACE(name);
        const Outcome run = speakerThrough(hostile);
        EXPECT_TRUE(run.allFinite);
        EXPECT_NEAR(run.tailRms, clean, 0.05 * clean);
    }
}

// The microphone path has no recursion to poison: values pass as they are, one block late, and
// clean input is clean output again after that block.
TEST(HostileAudio, MicrophonePassesValuesThroughAndIsCleanOneBlockLater) {
    VeltraDspCapture* engine = createCaptureEngine();
    std::vector<float> buffer(2 * 160, std::numeric_limits<float>::quiet_NaN());
    processCapture(engine, buffer.data(), buffer.data(), buffer.data(), 160);
    for (int call = 0; call < 2; ++call) {
        std::fill(buffer.begin(), buffer.end(), 0.25f);
        processCapture(engine, buffer.data(), buffer.data(), buffer.data(), 160);
    }
    for (float v : buffer) EXPECT_EQ(v, 0.25f);
    destroyCaptureEngine(engine);
}

}  // namespace
}  // namespace veltra
