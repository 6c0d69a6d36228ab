#pragma once

#include <cmath>
#include <cstring>
#include <vector>

namespace veltra::testing {

// Bit for bit, except that any NaN matches any NaN: which operand's payload a NaN result carries
// depends on how the compiler ordered a commutative operation, not on the arithmetic.
inline bool sameBits(const float* a, const float* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isnan(a[i]) && std::isnan(b[i])) continue;
        // The representation is the point: +0 and -0 must not pass as equal.
        // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return false;
    }
    return true;
}

inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && sameBits(a.data(), b.data(), a.size());
}

}  // namespace veltra::testing
