#pragma once

#include "effects/kernels/KernelTable.h"

#if defined(VELTRA_X86_64)
#include <xmmintrin.h>
#endif

namespace veltra::kernels {

// values[i] += 0.0f for each value, which turns -0 into +0 and leaves every other value as it
// is; the same single-precision addition per value on every path, four at a time on x86-64.
inline void addPositiveZero(float* values, int count) {
    int i = 0;
#if defined(VELTRA_X86_64)
    for (; i + 4 <= count; i += 4)
        _mm_storeu_ps(values + i, _mm_add_ps(_mm_loadu_ps(values + i), _mm_setzero_ps()));
#endif
    for (; i < count; ++i) values[i] += 0.0f;
}

}  // namespace veltra::kernels
