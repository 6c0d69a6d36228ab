#pragma once

#include "effects/kernels/KernelTable.h"

#if defined(VELTRA_X86_64)
#include <xmmintrin.h>
#endif

namespace veltra::kernels {

// out[i] = gain * in[i]: one single-precision product per value on every path, four at a time on
// x86-64 (the compilers leave the plain loop scalar at -O2). `in` and `out` are the same memory
// or do not overlap.
inline void scale(const float* in, float* out, float gain, int count) {
    int i = 0;
#if defined(VELTRA_X86_64)
    const __m128 g = _mm_set1_ps(gain);
    for (; i + 4 <= count; i += 4) _mm_storeu_ps(out + i, _mm_mul_ps(g, _mm_loadu_ps(in + i)));
#endif
    for (; i < count; ++i) out[i] = gain * in[i];
}

}  // namespace veltra::kernels
