#pragma once

#include <cstdint>

namespace veltra {

// Codes of the engine-side stream format held by every audio buffer and engine.
enum SampleFormat : std::uint32_t {
    kSampleFormatInt16 = 1,
    kSampleFormatFloat32 = 2,
};

// 16-bit to float: multiply by the single-precision value nearest 1/32767, so 32767 maps to exactly
// 1.0. No clamp: -32768 lands slightly below -1.0.
float int16ToFloat(std::int16_t sample);

// Float to 16-bit: clamp to +-0.9999 (in double, narrowing between the two bounds), scale by 32767
// in single precision and truncate. Full scale therefore gives +-32763. NaN gives 0.
std::int16_t floatToInt16(float sample);

}  // namespace veltra
