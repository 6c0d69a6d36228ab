#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chain/ParameterBlock.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "support/Blocks.h"
#include "support/Planar.h"
#include "support/Signals.h"

namespace veltra {
namespace {

constexpr int kRate = 48000;

TEST(EqFilterBank, EveryTypeHasItsClosedFormResponse) {
    const double f = 1000.0, q = 0.70710678, a = std::pow(10.0, 6.0 / 20.0), cut = 1.0 / a;
    // Shelves at the corner: the analog prototypes (1 + G s)/(1 + H s) and, for Q = 1/sqrt(2),
    // (1 + sqrt(G) s/Q + G s^2)/(1 + sqrt(H) s/Q + H s^2) both give sqrt((1 + G^2)/(1 + H^2)) at s
    // = j, with G = A, H = 1 for a boost and G = 1, H = 1/A for a cut.
    const double boostAtF = std::sqrt((1 + a * a) / 2.0);
    const double cutAtF = std::sqrt(2.0 / (1 + a * a));  // H = 1/cut = a
    struct Response {
        int type;
        float gainDb;
        double dc, atF, nyquist;  // expected magnitudes
    };
    for (const Response& r : std::vector<Response>{{1, 0, 0, std::sqrt(0.5), 1},
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
                                                   {40, 0, 1, 0, 1}}) {
        float c[5];
        EqFilterBank::designBand(float(f), r.gainDb, float(q), r.type, kRate, c);
        SCOPED_TRACE(::testing::Message() << "type " << r.type << " gain " << r.gainDb);
        EXPECT_NEAR(std::abs(veltra::testing::response(c, 0.0, kRate)), r.dc, 2e-4);
        EXPECT_NEAR(std::abs(veltra::testing::response(c, f, kRate)), r.atF, 2e-4);
        EXPECT_NEAR(std::abs(veltra::testing::response(c, kRate / 2.0, kRate)), r.nyquist, 2e-4);
        if (r.type == 9 || r.type == 10) {  // all-passes
            EXPECT_NEAR(std::abs(veltra::testing::response(c, 7777.0, kRate)), 1.0, 2e-4);
        }
    }
}

struct Eq {
    explicit Eq(const std::vector<std::array<float, 4>>& bands, int channels = 1)
        : eq(channels, kRate), channels(channels) {
        eq.init();
        std::vector<float> words;
        for (const auto& band : bands) words.insert(words.end(), band.begin(), band.end());
        block = veltra::testing::block(kEffectTypeEqualizer, words);
        eq.setParameters(block);
    }
    // Channel 0 through the bank, the others silent.
    std::vector<float> run(std::vector<float> x) {
        testing::Planar in(std::size_t(channels), std::vector<float>(x.size()));
        in[0] = std::move(x);
        return testing::through(eq, std::move(in))[0];
    }
    EqAudioEffectObject eq;
    int channels;
    ParameterBlock block;
};

// Unknown codes and bands the design cannot make (bad frequency, Q or gain) are identities; a
// broadband band scales whatever its frequency and Q; a fresh bank is transparent.
TEST(EqAudioEffectObject, UnknownCodesAndImpossibleBandsAreIdentities) {
    const std::vector<float> x{0.5f, -0.25f, 0.125f, 1.0f};
    EXPECT_EQ(Eq({}).run(x), x);
    std::vector<std::array<float, 4>> bands;
    for (float code : {0.0f, 3.0f, 4.0f, 7.0f, 8.0f, 18.0f, 39.0f, 41.0f, -1.0f, 1e30f})
        bands.push_back({1000.0f, 12.0f, 1.0f, code});
    bands.push_back({0.0f, 12.0f, -1.0f, 15.0f});
    bands.push_back({-5.0f, 6.0f, 1.0f, 11.0f});
    bands.push_back({30000.0f, 6.0f, 1.0f, 6.0f});
    bands.push_back({1000.0f, 6.0f, 0.0f, 16.0f});
    bands.push_back({1000.0f, NAN, 1.0f, 13.0f});
    const auto y = Eq(bands).run(x);
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_FLOAT_EQ(y[i], x[i] * 3.9810717f);  // 12 dB
}

// The bank against the direct form in double: the section's difference equation, applied to
// the stored coefficients. A peaking cut then undoes the same boost (the code 11.9 truncates).
TEST(EqAudioEffectObject, SectionsFollowTheirDifferenceEquation) {
    std::vector<float> x(300);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = std::sin(0.05f * float(n)) + (n % 7 == 0 ? 0.3f : 0.0f);
    Eq eq({{700.0f, 0.0f, 2.0f, 6.0f}}, 2);
    const auto y = eq.run(x);
    float c[5];
    EqFilterBank::designBand(700.0f, 0.0f, 2.0f, 6, kRate, c);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double v = c[0] * double(x[n]) + c[1] * x1 + c[2] * x2 + c[3] * y1 + c[4] * y2;
        x2 = x1, x1 = x[n], y2 = y1, y1 = v;
        ASSERT_NEAR(y[n], v, 1e-5) << n;
    }
    eq.eq.setParameters(eq.block);  // new settings start from silence
    EXPECT_EQ(eq.run(std::vector<float>(64)), std::vector<float>(64));
    std::vector<float> impulse(512);
    impulse[0] = 1.0f;
    const auto h = Eq({{2500.0f, 9.0f, 1.4f, 11.9f}, {2500.0f, -9.0f, 1.4f, 11.0f}}).run(impulse);
    for (std::size_t n = 0; n < h.size(); ++n) ASSERT_NEAR(h[n], n == 0 ? 1.0f : 0.0f, 1e-5f) << n;
}

TEST(EqAudioEffectObject, MoreThanSixteenChannelsFiltersSixteenAndCarriesTheRest) {
    Eq eq({{0.0f, -6.0206f, 0.0f, 15.0f}}, 18);
    const auto out = testing::through(eq.eq, testing::Planar(18, std::vector<float>(8, 1.0f)));
    EXPECT_NEAR(out[15][7], 0.5f, 1e-4f);
    EXPECT_EQ(out[16][7], 1.0f);
    EXPECT_EQ(out[17][0], 1.0f);
}

}  // namespace
}  // namespace veltra
