#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "effects/kernels/FiniteCheck.h"
#include "effects/kernels/PositiveZero.h"

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
TEST(SampleChecks, FiniteCheckFindsEveryNonFiniteValueWhereverItIs) {
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

TEST(SampleChecks, AddingPositiveZeroOnlyTurnsNegativeZeroPositive) {
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

}  // namespace
}  // namespace veltra
