#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "effects/kernels/FiniteCheck.h"

namespace veltra {
namespace {

using Limits = std::numeric_limits<float>;

float fromBits(std::uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Every length up to several vector steps plus a tail, with one odd value at every position: the
// vector steps and the tail must each see it. (The +0 pass and the multiplies beside this check
// are held to their bits by the equaliser and chain tests, which fail if either is wrong.)
TEST(FiniteCheck, FiniteCheckFindsEveryNonFiniteValueWhereverItIs) {
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

}  // namespace
}  // namespace veltra
