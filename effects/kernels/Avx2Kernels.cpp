// AVX2: built with AVX2 code generation for this file, its equaliser (Avx2EqPipeline.cpp) and
// its widener (Avx2Widener.cpp) only, and used only where the CPU and the operating system support
// it (KernelSelection). Beyond the intrinsics it includes inline code only with internal linkage
// (LimiterLaw.h), so no AVX2-compiled copy of a shared inline function can end up used by the rest
// of the module. No fused multiply-add: the scalar arithmetic has none.
#include "effects/kernels/Avx2EqPipeline.h"
#include "effects/kernels/Avx2Widener.h"
#include "effects/kernels/KernelTable.h"
#include "effects/kernels/LimiterLaw.h"

#if defined(VELTRA_X86_64)
#include <immintrin.h>

#include <bit>

#include "effects/kernels/Avx2Exit.h"

namespace veltra::kernels {

namespace {

// Eight samples' levels: each magnitude widened to double, scaled and rounded back to float.
VELTRA_KERNEL_INLINE __m256 limiterLevels(__m256 x, __m256d inputGain, __m256d gain) {
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
    const __m256d low = _mm256_mul_pd(
        _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(magnitude)), inputGain), gain);
    const __m256d high = _mm256_mul_pd(
        _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(magnitude, 1)), inputGain), gain);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)), _mm256_cvtpd_ps(high),
                                1);
}

// The smallest and largest magnitude of x[0, count), count a multiple of 8; false if any is NaN.
VELTRA_KERNEL_INLINE bool magnitudeRange(const float* x, int count, float& low, float& high) {
    const __m256 sign = _mm256_set1_ps(-0.0f);
    __m256 lo = _mm256_andnot_ps(sign, _mm256_loadu_ps(x)), hi = lo, nan = _mm256_setzero_ps();
    for (int i = 0; i < count; i += 8) {
        const __m256 a = _mm256_andnot_ps(sign, _mm256_loadu_ps(x + i));
        lo = _mm256_min_ps(lo, a);
        hi = _mm256_max_ps(hi, a);
        nan = _mm256_or_ps(nan, _mm256_cmp_ps(a, a, _CMP_UNORD_Q));
    }
    __m128 l = _mm_min_ps(_mm256_castps256_ps128(lo), _mm256_extractf128_ps(lo, 1));
    __m128 h = _mm_max_ps(_mm256_castps256_ps128(hi), _mm256_extractf128_ps(hi, 1));
    l = _mm_min_ps(l, _mm_movehl_ps(l, l));
    h = _mm_max_ps(h, _mm_movehl_ps(h, h));
    low = _mm_cvtss_f32(_mm_min_ss(l, _mm_shuffle_ps(l, l, 1)));
    high = _mm_cvtss_f32(_mm_max_ss(h, _mm_shuffle_ps(h, h, 1)));
    return _mm256_movemask_ps(nan) == 0;
}

// limiterSettledFrom eight samples at a time: the same operations per lane. Most blocks are
// decided first by their quietest and loudest sample alone.
int limiterSettled(const LimiterSettling& s, const float* x, int count, std::uint64_t& overFloor) {
    const Avx2Exit clearOnReturn;
    if (const int whole = count / 8 * 8; whole > 0) {
        float low = 0.0f, high = 0.0f;
        if (magnitudeRange(x, whole, low, high) && limiterKeepsGainBetween(s, low, high))
            return limiterSettledFrom(s, x, whole, count, overFloor);
    }
    const __m256d inputGain = _mm256_set1_pd(static_cast<double>(s.inputGain));
    const __m256d gainWide = _mm256_set1_pd(static_cast<double>(s.gain));
    const __m256 threshold = _mm256_set1_ps(s.threshold), floor = _mm256_set1_ps(s.holdFloor);
    const __m256 release = _mm256_set1_ps(s.releaseFactor);
    const __m256 rest = _mm256_set1_ps(1.0f - s.releaseFactor);
    const __m256 inverse = _mm256_set1_ps(s.inverseFloor);
    const __m256 one = _mm256_set1_ps(1.0f), gain = _mm256_set1_ps(s.gain);
    const __m256 open = _mm256_set1_ps(1.0f - s.gain);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 level = limiterLevels(_mm256_loadu_ps(x + i), inputGain, gainWide);
        const __m256 released = _mm256_sub_ps(
            one,
            _mm256_mul_ps(
                open, _mm256_add_ps(release, _mm256_mul_ps(_mm256_mul_ps(rest, level), inverse))));
        const __m256 over = _mm256_cmp_ps(level, floor, _CMP_GT_OQ);
        const __m256 moves =
            _mm256_or_ps(_mm256_cmp_ps(level, threshold, _CMP_GT_OQ),
                         _mm256_andnot_ps(over, _mm256_cmp_ps(released, gain, _CMP_NEQ_UQ)));
        const auto overBits = static_cast<std::uint64_t>(_mm256_movemask_ps(over)) << i;
        if (const int moved = _mm256_movemask_ps(moves); moved != 0) {
            const int end = i + std::countr_zero(static_cast<unsigned>(moved));
            overFloor |= overBits & ((std::uint64_t{1} << end) - 1);
            return end;
        }
        overFloor |= overBits;
    }
    return limiterSettledFrom(s, x, i, count, overFloor);
}

// All sixteen sections in one group: one pass over the block however many are active.
constexpr KernelTable kAvx2{Isa::Avx2, "avx2", 16, &avx2EqGroup, &avx2Widener, &limiterSettled};

}  // namespace

const KernelTable* avx2Kernels() {
    return &kAvx2;
}

}  // namespace veltra::kernels

#endif
