#pragma once

#include <cstdint>
#include <cstring>

namespace veltra::kernels {

// True when no value is an infinity or a NaN. Works on the bits with and, add and or only, so
// the compiler turns it into straight-line vector code: an exponent field of all ones is the
// one that carries into the sign bit when its lowest bit is added.
inline bool allFinite(const float* values, int count) {
    std::uint32_t carry = 0;
    for (int i = 0; i < count; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, values + i, sizeof bits);
        carry |= (bits & 0x7F800000u) + 0x00800000u;
    }
    return (carry & 0x80000000u) == 0;
}

}  // namespace veltra::kernels
