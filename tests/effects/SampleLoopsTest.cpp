#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "effects/kernels/FiniteCheck.h"
#include "effects/kernels/PositiveZero.h"
#include "effects/kernels/Scale.h"

namespace veltra {
namespace {

using Limits = std::numeric_limits<float>;

float fromBits(std::uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Every length up to several vector steps plus a tail, with one odd value at every position: the
// vector steps and the tail must each see it.
TEST(SampleLoops, FiniteCheckFindsEveryNonFiniteValueWhereverItIs) {
    const float odd[] = {Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(),
                         fromBits(0x7F800001u), fromBits(0xFFFFFFFFu)};
    const float fine[] = {Limits::max(), -Limits::max(), Limits::denorm_min(), -0.0f, 1.0f};
    for (int count = 0; count <= 27; ++count) {
        std::vector<float> values(std::size_t(count) + 1, 0.5f);
        values[std::size_t(count)] = Limits::infinity();  // just past the end: never looked at
        EXPECT_TRUE(kernels::allFinite(values.data(), count)) << count;
        for (int at = 0; at < count; ++at) {
            for (float v : odd) {
                values[std::size_t(at)] = v;
                EXPECT_FALSE(kernels::allFinite(values.data(), count)) << count << " at " << at;
            }
            for (float v : fine) {
                values[std::size_t(at)] = v;
                EXPECT_TRUE(kernels::allFinite(values.data(), count)) << count << " at " << at;
            }
            values[std::size_t(at)] = 0.5f;
        }
    }
}

TEST(SampleLoops, AddingPositiveZeroOnlyTurnsNegativeZeroPositive) {
    for (int count = 0; count <= 11; ++count) {
        std::vector<float> values(std::size_t(count) + 1);
        for (int i = 0; i < count; ++i) {
            const float kinds[] = {-0.0f, 0.0f, -1.5f, Limits::denorm_min(), -Limits::infinity()};
            values[std::size_t(i)] = kinds[i % 5];
        }
        values[std::size_t(count)] = -0.0f;  // past the end: stays as it is
        kernels::addPositiveZero(values.data(), count);
        for (int i = 0; i < count; ++i) {
            const float kinds[] = {0.0f, 0.0f, -1.5f, Limits::denorm_min(), -Limits::infinity()};
            EXPECT_EQ(std::signbit(values[std::size_t(i)]), std::signbit(kinds[i % 5])) << i;
            EXPECT_EQ(values[std::size_t(i)], kinds[i % 5]) << i;
        }
        EXPECT_TRUE(std::signbit(values[std::size_t(count)]));
    }
}

// The product of two floats is exact in double, so rounding it to float once is the correctly
// rounded single-precision product each path must give, in place or not.
TEST(SampleLoops, ScalingGivesTheCorrectlyRoundedProductOfEveryValue) {
    const float gains[] = {0.70794576f, -3.0f, 1e3f, 1e-30f, 0.0f};
    for (float gain : gains)
        for (int count = 0; count <= 11; ++count) {
            std::vector<float> in(std::size_t(count) + 1), out(in.size(), 7.0f);
            for (int i = 0; i < count; ++i) in[std::size_t(i)] = 1.0f / float(3 + i) - 0.2f;
            if (count > 2) in[2] = 1e30f;
            std::vector<float> inPlace = in;
            kernels::scale(in.data(), out.data(), gain, count);
            kernels::scale(inPlace.data(), inPlace.data(), gain, count);
            for (int i = 0; i < count; ++i) {
                const float expected =
                    static_cast<float>(double(gain) * double(in[std::size_t(i)]));
                EXPECT_EQ(out[std::size_t(i)], expected) << gain << " " << i;
                EXPECT_EQ(inPlace[std::size_t(i)], expected) << gain << " " << i;
            }
            EXPECT_EQ(out[std::size_t(count)], 7.0f);  // nothing written past the end
        }
}

}  // namespace
}  // namespace veltra
