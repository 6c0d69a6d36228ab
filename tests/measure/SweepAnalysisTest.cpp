// The sweep analysis against closed forms: a wire, cookbook sections behind an unknown latency
// and noise, polynomial distortion, and recordings that cannot be analysed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "measure/SweepAnalysis.h"
#include "support/Cookbook.h"

namespace veltra::measure {
namespace {

using testing::Cookbook;

std::vector<double> asDouble(const std::vector<float>& x) {
    return {x.begin(), x.end()};
}

std::vector<float> asFloat(const std::vector<double>& x) {
    return {x.begin(), x.end()};
}

// A device: `delay` samples of silence, then the signal, then silence; white noise at `noiseDb`
// RMS re full scale over all of it.
std::vector<float> recorded(const std::vector<double>& signal, std::size_t delay, double noiseDb,
                            unsigned seed = 7) {
    std::vector<double> out(delay + signal.size() + 4800, 0.0);
    for (std::size_t i = 0; i < signal.size(); ++i) out[delay + i] = signal[i];
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, std::pow(10.0, noiseDb / 20.0));
    if (noiseDb > -200)
        for (double& v : out) v += noise(random);
    return asFloat(out);
}

TEST(SweepSignal, IsTheSynchronisedSweepItsDescriptionStates) {
    const SweepSignal sweep(SweepSpec{});
    // f1 L is whole, and the sweep lasts about the five seconds asked for.
    EXPECT_DOUBLE_EQ(std::round(20.0 * sweep.growth()), 20.0 * sweep.growth());
    EXPECT_NEAR(sweep.sweepSeconds(), 5.0, 0.25);
    const std::vector<float> x = sweep.samples();
    ASSERT_EQ(x.size(), sweep.totalFrames());
    const double amplitude = std::pow(10.0, -12.0 / 20.0);
    float peak = 0;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    EXPECT_NEAR(peak, amplitude, 1e-4);
    // Silent before and after, and fading in: no click at either end.
    EXPECT_EQ(x[sweep.leadFrames() - 1], 0.0f);
    EXPECT_EQ(x[sweep.leadFrames()], 0.0f);
    EXPECT_LT(std::fabs(x[sweep.leadFrames() + 2]), 1e-3);
    EXPECT_EQ(x[sweep.leadFrames() + sweep.sweepFrames()], 0.0f);
    // The instantaneous frequency, from the zero crossings a quarter of the way in: f1 e^(t/L).
    const std::size_t at = sweep.leadFrames() + sweep.sweepFrames() / 4;
    std::vector<double> crossings;
    for (std::size_t n = at; crossings.size() < 3; ++n)
        if ((x[n] <= 0) != (x[n + 1] <= 0))
            crossings.push_back(double(n) + x[n] / (x[n] - x[n + 1]));
    const double measured = 48000.0 / (crossings[2] - crossings[0]);
    const double t = ((crossings[0] + crossings[2]) / 2 - double(sweep.leadFrames())) / 48000.0;
    EXPECT_NEAR(measured, 20.0 * std::exp(t / sweep.growth()), 0.05);

    const auto spec = SweepSignal::parseDescription(sweep.description());
    ASSERT_TRUE(spec);
    EXPECT_EQ(SweepSignal(*spec).samples(), x);
    EXPECT_FALSE(SweepSignal::parseDescription("a sweep"));
    EXPECT_FALSE((SweepSpec{48000, 20, 30000}.problem().empty()));  // above half the rate
    EXPECT_FALSE((SweepSpec{48000, 20, 20000, 0.1}.problem().empty()));
}

TEST(SweepAnalysis, AWireReadsZeroDecibels) {
    const SweepSignal sweep(SweepSpec{});
    const auto result = SweepAnalysis::analyse(sweep, sweep.samples());
    EXPECT_EQ(result.latencyFrames, 0u);
    ASSERT_GT(result.response.size(), 48u * 9);
    // At least 48 points an octave, from the sweep's start to its end.
    EXPECT_DOUBLE_EQ(result.response.lowest(), 20.0);
    EXPECT_DOUBLE_EQ(result.response.highest(), 20000.0);
    for (std::size_t i = 0; i < result.response.size(); ++i) {
        EXPECT_NEAR(result.response.db()[i], 0.0, 0.01) << result.response.hz()[i];
        EXPECT_NEAR(result.response.degrees()[i], 0.0, 0.1) << result.response.hz()[i];
    }
}

TEST(SweepAnalysis, ReadsCookbookSectionsBehindLatencyAndNoise) {
    const std::vector<Cookbook> speaker = {
        {"HP", 70, 0, 0.8}, {"PK", 1200, 6, 4}, {"PK", 9000, -8, 2}, {"HS", 4000, -4, 0.7}};
    const SweepSignal sweep(SweepSpec{48000, 10, 24000, 5, -12});
    const std::size_t latency = 3217;
    const auto recording =
        recorded(testing::cookbookFilter(speaker, 48000, asDouble(sweep.samples())), latency, -70);
    const auto result = SweepAnalysis::analyse(sweep, recording);
    // A minimum-phase device peaks within a few samples of its delay.
    EXPECT_GE(result.latencyFrames, latency);
    EXPECT_LE(result.latencyFrames, latency + 4);
    double worst = 0;
    for (std::size_t i = 0; i < result.response.size(); ++i) {
        const double f = result.response.hz()[i];
        if (f < 50 || f > 16000) continue;
        worst = std::max(
            worst, std::fabs(result.response.db()[i] - testing::cookbookDb(speaker, f, 48000)));
    }
    EXPECT_LT(worst, 0.1);
}

TEST(SweepAnalysis, SeparatesPolynomialHarmonics) {
    // y = x + a2 x^2 + a3 x^3 of a sine of amplitude A: the second harmonic a2 A^2 / 2 and the
    // third a3 A^3 / 4 against a fundamental of A + 3 a3 A^3 / 4.
    const SweepSignal sweep(SweepSpec{});
    const double a2 = 0.1, a3 = 0.2, A = std::pow(10.0, -12.0 / 20.0);
    std::vector<double> y = asDouble(sweep.samples());
    for (double& v : y) v = v + a2 * v * v + a3 * v * v * v;
    const auto result = SweepAnalysis::analyse(sweep, recorded(y, 1000, -90));
    const double fundamental = A + 0.75 * a3 * A * A * A;
    const double h2 = 20 * std::log10(a2 * A * A / 2 / fundamental);
    const double h3 = 20 * std::log10(a3 * A * A * A / 4 / fundamental);
    int checked = 0;
    for (std::size_t i = 0; i < result.secondHarmonic.size(); ++i) {
        const double f = result.secondHarmonic.hz()[i];
        if (f < 100 || f > 5000) continue;
        EXPECT_NEAR(result.secondHarmonic.db()[i], h2, 1.0) << f;
        EXPECT_NEAR(result.thirdHarmonic.levelAt(f), h3, 1.0) << f;
        ++checked;
    }
    EXPECT_GT(checked, 400);
    // Without distortion, both are far below.
    const auto clean =
        SweepAnalysis::analyse(sweep, recorded(asDouble(sweep.samples()), 1000, -90));
    EXPECT_LT(clean.secondHarmonic.levelAt(1000), -60);
}

TEST(SweepAnalysis, RefusesWhatItCannotMeasure) {
    const SweepSignal sweep(SweepSpec{48000, 20, 20000, 1, -12});
    const std::vector<float> x = sweep.samples();
    auto message = [&](const std::vector<float>& recording) {
        try {
            SweepAnalysis::analyse(sweep, recording);
        } catch (const AnalysisError& e) {
            return e.message;
        }
        return std::string("accepted");
    };
    const auto sweepEnd = long(sweep.leadFrames() + sweep.sweepFrames());
    EXPECT_NE(message({x.begin(), x.begin() + sweepEnd / 2}).find("shorter than the sweep"),
              std::string::npos);
    EXPECT_NE(message(std::vector<float>(x.size(), 0.0f)).find("silent"), std::string::npos);
    std::vector<float> loud = x;
    for (float& v : loud) v = std::clamp(v * 8.0f, -1.0f, 1.0f);
    EXPECT_NE(message(loud).find("clips"), std::string::npos);
    std::vector<float> broken = x;
    broken[1000] = NAN;
    EXPECT_NE(message(broken).find("not a number"), std::string::npos);
    // Delayed by a second and stopped a tenth of a second before the sweep's end.
    std::vector<float> late(48000, 0.0f);
    late.insert(late.end(), x.begin(), x.begin() + sweepEnd - 4800);
    EXPECT_NE(message(late).find("too early"), std::string::npos);
}

}  // namespace
}  // namespace veltra::measure
