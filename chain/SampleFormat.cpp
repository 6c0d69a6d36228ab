#include "chain/SampleFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace veltra {

namespace {
// Bit pattern 0x38000100 is the float nearest 1/32767 (3.0518509e-05).
const float kInt16Scale = std::bit_cast<float>(std::uint32_t{0x38000100u});
}  // namespace

float int16ToFloat(std::int16_t sample) {
    return static_cast<float>(sample) * kInt16Scale;
}

std::int16_t floatToInt16(float sample) {
    // A NaN would survive both clamps and make the integer conversion undefined.
    if (std::isnan(sample)) return 0;
    float f = static_cast<float>(std::min(static_cast<double>(sample), 0.9999));
    f = static_cast<float>(std::max(static_cast<double>(f), -0.9999));
    const auto scaled = static_cast<std::int32_t>(f * 32767.0f);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(scaled & 0xFFFF));
}

}  // namespace veltra
