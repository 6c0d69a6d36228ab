// AVX2: built with AVX2 code generation for this file and its equaliser (Avx2EqPipeline.cpp)
// only, and used only where the CPU and the operating system support it (KernelSelection).
// Beyond the intrinsics it includes inline code only with internal linkage (WidenerMix.h,
// LimiterLaw.h), so no AVX2-compiled copy of a shared inline function can end up used by the
// rest of the module. No fused multiply-add: the scalar arithmetic has none.
#include "effects/kernels/Avx2EqPipeline.h"
#include "effects/kernels/KernelTable.h"
#include "effects/kernels/LimiterLaw.h"
#include "effects/kernels/WidenerMix.h"

#if defined(VELTRA_X86_64)
#include <immintrin.h>

#include <bit>

namespace veltra::kernels {

namespace {

// The widener's filters in one register: the low half holds the filters fed by the input
// (direct high-pass, second high-pass, mid) on sample t, the high half the side filters fed by
// the high-passes two samples behind, on t - 2, so the two halves step together. Lanes with no
// filter hold zero coefficients and compute nothing anyone reads.
constexpr int kLanes[8] = {1, 3, 0, -1, 2, 4, -1, -1};

// Value i of each lane's filter in `rows` (coefficients or state), zero in lanes with none. The
// lane map is a constant, so this is eight loads rather than a loop over it.
template <typename Rows>
VELTRA_KERNEL_INLINE __m256 laneRow(const Rows& rows, int i) {
    const auto lane = [&rows, i](int j) { return kLanes[j] < 0 ? 0.0f : rows[kLanes[j]][i]; };
    return _mm256_setr_ps(lane(0), lane(1), lane(2), lane(3), lane(4), lane(5), lane(6), lane(7));
}

struct FilterLanes {
    __m256 c[10];
    __m256 x1, x2, u1, u2, y1, y2;

    explicit FilterLanes(const WidenerFilters& f)
        : x1(laneRow(f.state, 0)),
          x2(laneRow(f.state, 1)),
          u1(laneRow(f.state, 2)),
          u2(laneRow(f.state, 3)),
          y1(laneRow(f.state, 4)),
          y2(laneRow(f.state, 5)) {
        for (int i = 0; i < 10; ++i) c[i] = laneRow(f.coefficients, i);
    }
    void storeTo(WidenerFilters& f) const {
        alignas(32) float rows[6][8];
        const __m256 state[6] = {x1, x2, u1, u2, y1, y2};
        for (int i = 0; i < 6; ++i) _mm256_store_ps(rows[i], state[i]);
        for (int j = 0; j < 8; ++j) {
            if (kLanes[j] < 0) continue;
            for (int i = 0; i < 6; ++i) f.state[kLanes[j]][i] = rows[i][j];
        }
    }
};

// fourthOrderStep in every lane; with Masked, lanes outside `valid` keep their state.
template <bool Masked>
VELTRA_KERNEL_INLINE void filterStep(FilterLanes& f, __m256 x, __m256 valid) {
    const __m256* c = f.c;
    __m256 u = _mm256_add_ps(_mm256_mul_ps(c[0], x), _mm256_mul_ps(c[1], f.x1));
    u = _mm256_add_ps(u, _mm256_mul_ps(c[2], f.x2));
    u = _mm256_add_ps(u, _mm256_mul_ps(c[3], f.u1));
    u = _mm256_add_ps(u, _mm256_mul_ps(c[4], f.u2));
    __m256 y = _mm256_add_ps(_mm256_mul_ps(c[5], u), _mm256_mul_ps(c[6], f.u1));
    y = _mm256_add_ps(y, _mm256_mul_ps(c[7], f.u2));
    y = _mm256_add_ps(y, _mm256_mul_ps(c[8], f.y1));
    y = _mm256_add_ps(y, _mm256_mul_ps(c[9], f.y2));
    if constexpr (Masked) {
        f.x2 = _mm256_blendv_ps(f.x2, f.x1, valid);
        f.x1 = _mm256_blendv_ps(f.x1, x, valid);
        f.u2 = _mm256_blendv_ps(f.u2, f.u1, valid);
        f.u1 = _mm256_blendv_ps(f.u1, u, valid);
        f.y2 = _mm256_blendv_ps(f.y2, f.y1, valid);
        f.y1 = _mm256_blendv_ps(f.y1, y, valid);
    } else {
        f.x2 = f.x1;
        f.x1 = x;
        f.u2 = f.u1;
        f.u1 = u;
        f.y2 = f.y1;
        f.y1 = y;
    }
}

// Step t runs the front filters on sample t and the side filters on sample t - 2, then mixes
// sample t - 2 exactly as the scalar table does. The side filters' input is the front filters'
// output two steps old, so it never waits on the step just before: the conversions and products
// from a front output to a side input are off the loop's chain. The first two steps have no
// side sample and the last two no front one: those steps mask the idle half's state.
template <bool Edge>
VELTRA_KERNEL_INLINE void widenerStep(FilterLanes& f, const WidenerGains& k, float* left,
                                      float* right, int t, int frames) {
    const __m128 s = _mm_set_ps(0.0f, k.scale, k.secondScale, k.scale);
    const __m128 minus = _mm_set_ps(0.0f, k.scale, -k.secondScale, -k.scale);
    const bool hasFront = !Edge || t < frames, hasBack = !Edge || t >= 2;
    // The front filters' sample t - 2: their state's older output, except at the last step, when
    // the front has not moved since the step before.
    const __m128 front = _mm256_castps256_ps128(Edge && t == frames + 1 ? f.y1 : f.y2);
    // The high-passes' outputs scaled in double, as the scalar table does.
    const __m128d side = _mm_mul_pd(_mm_cvtps_pd(front), _mm_set_pd(k.secondSide, k.directSide));
    float l = 0.0f, r = 0.0f;
    if (hasFront) {
        l = left[t];
        r = right[t];
    }
    // s*l - s*r is s*l + (-s)*r to the bit: negation is exact and a - b is a + (-b).
    const __m128 frontIn =
        _mm_add_ps(_mm_mul_ps(s, _mm_set1_ps(l)), _mm_mul_ps(minus, _mm_set1_ps(r)));
    const __m256 in = _mm256_insertf128_ps(_mm256_castps128_ps256(frontIn), _mm_cvtpd_ps(side), 1);
    const float mid = _mm_cvtss_f32(_mm_shuffle_ps(front, front, 0xAA));
    if constexpr (Edge) {
        const __m256 valid = _mm256_castsi256_ps(_mm256_set_epi32(
            hasBack ? -1 : 0, hasBack ? -1 : 0, hasBack ? -1 : 0, hasBack ? -1 : 0,
            hasFront ? -1 : 0, hasFront ? -1 : 0, hasFront ? -1 : 0, hasFront ? -1 : 0));
        filterStep<true>(f, in, valid);
    } else {
        filterStep<false>(f, in, in);
    }
    if (hasBack) {
        const __m128 sides = _mm256_extractf128_ps(f.y1, 1);
        const float s1 = _mm_cvtss_f32(sides),
                    s2 = _mm_cvtss_f32(_mm_shuffle_ps(sides, sides, 0x55));
        // Sample t - 2's input is still in place: its output is written here.
        widenerMix(k, mid, s1, s2, left[t - 2], right[t - 2], left[t - 2], right[t - 2]);
    }
}

void widener(WidenerFilters& filters, const WidenerGains& k, float* left, float* right,
             int frames) {
    if (frames <= 0) return;
    FilterLanes f(filters);
    int t = 0;
    for (; t < 2 && t < frames; ++t) widenerStep<true>(f, k, left, right, t, frames);
    for (; t < frames; ++t) widenerStep<false>(f, k, left, right, t, frames);
    for (; t < frames + 2; ++t) widenerStep<true>(f, k, left, right, t, frames);
    f.storeTo(filters);
}

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
constexpr KernelTable kAvx2{Isa::Avx2, "avx2", 16, &avx2EqGroup, &widener, &limiterSettled};

}  // namespace

const KernelTable* avx2Kernels() {
    return &kAvx2;
}

}  // namespace veltra::kernels

#endif
