#pragma once

#include "effects/kernels/KernelTable.h"

#if defined(VELTRA_X86_64)
#include <xmmintrin.h>
#endif

namespace veltra::kernels {

// Two channels to and from frames of two samples. Only moves values, so every path gives the same
// bits; on x86-64 four frames go per step, where the compilers' own code moves one sample at a
// time.
inline void interleaveStereo(const float* left, const float* right, float* frames, int count) {
    int i = 0;
#if defined(VELTRA_X86_64)
    for (; i + 4 <= count; i += 4) {
        const __m128 l = _mm_loadu_ps(left + i), r = _mm_loadu_ps(right + i);
        _mm_storeu_ps(frames + 2 * i, _mm_unpacklo_ps(l, r));
        _mm_storeu_ps(frames + 2 * i + 4, _mm_unpackhi_ps(l, r));
    }
#endif
    for (; i < count; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
}

inline void deinterleaveStereo(const float* frames, float* left, float* right, int count) {
    int i = 0;
#if defined(VELTRA_X86_64)
    for (; i + 4 <= count; i += 4) {
        const __m128 a = _mm_loadu_ps(frames + 2 * i), b = _mm_loadu_ps(frames + 2 * i + 4);
        _mm_storeu_ps(left + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(right + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    }
#endif
    for (; i < count; ++i) {
        left[i] = frames[2 * i];
        right[i] = frames[2 * i + 1];
    }
}

}  // namespace veltra::kernels
