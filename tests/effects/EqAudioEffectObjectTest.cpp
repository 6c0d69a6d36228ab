#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "chain/ParameterBlock.h"
#include "effects/eq/EqAudioEffectObject.h"

namespace veltra {
namespace {

constexpr int kRate = 48000;

// Magnitude of a stored section (b0, b1, b2, -a1, -a2 over a0 = 1) at `hz`, evaluated in double.
double magnitude(const float* c, double hz) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * hz / kRate);
    const auto num = double(c[0]) + double(c[1]) * z1 + double(c[2]) * z1 * z1;
    const auto den = 1.0 - double(c[3]) * z1 - double(c[4]) * z1 * z1;
    return std::abs(num / den);
}

struct Response {
    int type;
    float gainDb;
    double dc, atF, nyquist;  // expected magnitudes
};

TEST(EqFilterBank, EveryTypeHasItsClosedFormResponse) {
    const double f = 1000.0, q = 0.70710678, a = std::pow(10.0, 6.0 / 20.0), cut = 1.0 / a;
    // Shelves at the corner: the analog prototypes (1 + G s)/(1 + H s) and, for Q = 1/sqrt(2),
    // (1 + sqrt(G) s/Q + G s^2)/(1 + sqrt(H) s/Q + H s^2) both give sqrt((1 + G^2)/(1 + H^2)) at s
    // = j, with G = A, H = 1 for a boost and G = 1, H = 1/A for a cut.
    const double boostAtF = std::sqrt((1 + a * a) / 2.0);
    const double cutAtF = std::sqrt(2.0 / (1 + a * a));  // H = 1/cut = a
    const std::vector<Response> cases = {
        {1, 0, 0, std::sqrt(0.5), 1},
        {2, 0, 0, q, 1},
        {5, 0, 1, std::sqrt(0.5), 0},
        {6, 0, 1, q, 0},
        {9, 0, 1, 1, 1},
        {10, 0, 1, 1, 1},
        {11, 6, 1, a, 1},
        {11, -6, 1, cut, 1},
        {12, 6, 1, boostAtF, a},
        {12, -6, 1, cutAtF, cut},
        {13, 6, a, boostAtF, 1},
        {13, -6, cut, cutAtF, 1},
        {14, 0, 0, 1, 0},
        {15, 6, a, a, a},
        {16, 6, 1, boostAtF, a},
        {16, -6, 1, cutAtF, cut},
        {17, 6, a, boostAtF, 1},
        {17, -6, cut, cutAtF, 1},
        {40, 0, 1, 0, 1},
    };
    for (const Response& r : cases) {
        float c[5];
        EqFilterBank::designBand(float(f), r.gainDb, float(q), r.type, kRate, c);
        SCOPED_TRACE(testing::Message() << "type " << r.type << " gain " << r.gainDb);
        EXPECT_NEAR(magnitude(c, 0.0), r.dc, 2e-4);
        EXPECT_NEAR(magnitude(c, f), r.atF, 2e-4);
        EXPECT_NEAR(magnitude(c, kRate / 2.0), r.nyquist, 2e-4);
        if (r.type == 9 || r.type == 10) {
            EXPECT_NEAR(magnitude(c, 7777.0), 1.0, 2e-4);
        }
    }
}

ParameterBlock eqBlock(const std::vector<std::array<float, 4>>& bands) {
    ParameterBlock block;
    block.effectType = kEffectTypeEqualizer;
    block.enabled = 1;
    for (std::size_t b = 0; b < bands.size(); ++b) {
        for (std::size_t i = 0; i < 4; ++i) block.setFloat(4 * b + i, bands[b][i]);
    }
    return block;
}

std::vector<float> run(EqAudioEffectObject& eq, std::vector<float> signal) {
    float* in[1] = {signal.data()};
    std::vector<float> out(signal.size());
    float* o[1] = {out.data()};
    eq.process(in, o, static_cast<int>(signal.size()));
    return out;
}

std::vector<float> impulse(std::size_t n) {
    std::vector<float> x(n, 0.0f);
    x[0] = 1.0f;
    return x;
}

TEST(EqAudioEffectObject, UnknownCodesAndFreshBankAreTransparentBroadbandScales) {
    EqAudioEffectObject eq(1, kRate);
    eq.init();
    const std::vector<float> x{0.5f, -0.25f, 0.125f, 1.0f};
    EXPECT_EQ(run(eq, x), x);
    std::vector<std::array<float, 4>> bands;
    for (float code : {0.0f, 3.0f, 4.0f, 7.0f, 8.0f, 18.0f, 39.0f, 41.0f, -1.0f, 1e30f}) {
        bands.push_back({1000.0f, 12.0f, 1.0f, code});
    }
    bands.push_back({0.0f, 12.0f, -1.0f, 15.0f});   // broadband ignores f and Q
    bands.push_back({-5.0f, 6.0f, 1.0f, 11.0f});    // invalid frequency: pass-through
    bands.push_back({30000.0f, 6.0f, 1.0f, 6.0f});  // above half the rate: pass-through
    bands.push_back({1000.0f, 6.0f, 0.0f, 16.0f});  // Q of zero: pass-through
    bands.push_back({1000.0f, NAN, 1.0f, 13.0f});   // non-finite gain: pass-through
    eq.setParameters(eqBlock(bands));
    const auto y = run(eq, x);
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_FLOAT_EQ(y[i], x[i] * 3.9810717f);  // 10^(12/20)
    }
}

TEST(EqAudioEffectObject, PeakingCutUndoesTheSameBoostAndCodeIsTruncated) {
    EqAudioEffectObject eq(1, kRate);
    eq.init();
    eq.setParameters(eqBlock({{2500.0f, 9.0f, 1.4f, 11.9f}, {2500.0f, -9.0f, 1.4f, 11.0f}}));
    const auto h = run(eq, impulse(512));
    EXPECT_NEAR(h[0], 1.0f, 1e-5f);
    for (std::size_t n = 1; n < h.size(); ++n) EXPECT_NEAR(h[n], 0.0f, 1e-5f) << n;
}

TEST(EqAudioEffectObject, SectionMatchesDirectFormAndRestartsFromSilence) {
    EqAudioEffectObject eq(2, kRate);
    eq.init();
    const auto block = eqBlock({{700.0f, 0.0f, 2.0f, 6.0f}});
    eq.setParameters(block);
    std::vector<float> x(300);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = std::sin(0.05f * float(n)) + (n % 7 == 0 ? 0.3f : 0.0f);
    std::vector<float> y = x;  // in place on channel 0, channel 1 silent
    std::vector<float> other(x.size(), 0.0f);
    float* blocks[2] = {y.data(), other.data()};
    eq.process(blocks, blocks, int(x.size()));

    float c[5];
    EqFilterBank::designBand(700.0f, 0.0f, 2.0f, 6, kRate, c);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double v = c[0] * double(x[n]) + c[1] * x1 + c[2] * x2 + c[3] * y1 + c[4] * y2;
        x2 = x1, x1 = x[n], y2 = y1, y1 = v;
        ASSERT_NEAR(y[n], v, 1e-5) << n;
    }
    EXPECT_EQ(other, std::vector<float>(x.size(), 0.0f));

    eq.setParameters(block);  // clears every section's state
    std::vector<float> silence(64, 0.0f), silence2(64, 0.0f);
    float* quiet[2] = {silence.data(), silence2.data()};
    eq.process(quiet, quiet, 64);
    EXPECT_EQ(silence, std::vector<float>(64, 0.0f));
}

TEST(EqAudioEffectObject, MoreThanSixteenChannelsFiltersSixteenAndCarriesTheRest) {
    constexpr int kChannels = 18;
    EqAudioEffectObject eq(kChannels, kRate);
    eq.init();
    eq.setParameters(eqBlock({{0.0f, -6.0206f, 0.0f, 15.0f}}));
    std::vector<std::vector<float>> in(kChannels, std::vector<float>(8, 1.0f));
    std::vector<std::vector<float>> out(kChannels, std::vector<float>(8, 0.0f));
    std::vector<float*> ip, op;
    for (int c = 0; c < kChannels; ++c) ip.push_back(in[c].data()), op.push_back(out[c].data());
    eq.process(ip.data(), op.data(), 8);
    EXPECT_NEAR(out[15][7], 0.5f, 1e-4f);
    EXPECT_EQ(out[16][7], 1.0f);
    EXPECT_EQ(out[17][0], 1.0f);
}

}  // namespace
}  // namespace veltra
