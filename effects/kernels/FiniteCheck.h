#pragma once

#include <cstdint>
#include <cstring>

#include "effects/kernels/KernelTable.h"

#if defined(VELTRA_X86_64)
#include <emmintrin.h>
#endif

namespace veltra::kernels {

// True when no value is an infinity or a NaN, from the bits: an exponent field of all ones is the
// one that carries into the sign bit when its lowest bit is added. On x86-64 eight values go per
// step in SSE2, which every such CPU has: compilers at -O2 leave the plain loop scalar (its trip
// count is unknown), and at four checks per 64-frame block it cost several per cent of the path.
inline bool allFinite(const float* values, int count) {
    int i = 0;
#if defined(VELTRA_X86_64)
    const __m128i exponent = _mm_set1_epi32(0x7F800000), lowest = _mm_set1_epi32(0x00800000);
    __m128i carries = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i + 4));
        carries = _mm_or_si128(carries, _mm_add_epi32(_mm_and_si128(a, exponent), lowest));
        carries = _mm_or_si128(carries, _mm_add_epi32(_mm_and_si128(b, exponent), lowest));
    }
    if (_mm_movemask_ps(_mm_castsi128_ps(carries)) != 0) return false;
#endif
    std::uint32_t carry = 0;
    for (; i < count; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, values + i, sizeof bits);
        carry |= (bits & 0x7F800000u) + 0x00800000u;
    }
    return (carry & 0x80000000u) == 0;
}

}  // namespace veltra::kernels
