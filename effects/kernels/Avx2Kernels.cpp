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

// The widener in three passes over up to kWidenerChunk samples: the front filters (the two
// high-passes and the mid, fed by the input), then the side filters (fed by the high-passes),
// then the mix. Each filter pass first forms every sample's input terms, (c0 x + c1 x1) + c2 x2,
// which depend on no output, then runs the recursions alone. Run together in one register, the
// two groups of filters needed more than the sixteen vector registers, GCC kept their state on
// the stack, and a store and its reload sat on every recursion (about 38 cycles a sample); split
// this way each loop fits in registers and waits only on its own chain.
constexpr int kWidenerChunk = 64;
constexpr int kFrontLanes[4] = {1, 3, 0, -1};  // direct high-pass, second high-pass, mid
constexpr int kSideLanes[4] = {2, 4, -1, -1};  // direct side, second side

// Value i of each lane's filter in `rows` (coefficients or state), zero in lanes with none.
template <const int (&Lanes)[4], typename Rows>
VELTRA_KERNEL_INLINE __m128 laneRow(const Rows& rows, int i) {
    const auto lane = [&rows, i](int j) { return Lanes[j] < 0 ? 0.0f : rows[Lanes[j]][i]; };
    return _mm_setr_ps(lane(0), lane(1), lane(2), lane(3));
}

// fourthOrderStep for the filters of one lane map, four lanes at a time.
template <const int (&Lanes)[4]>
class FilterPasses {
  public:
    explicit FilterPasses(const WidenerFilters& f) {
        for (int i = 0; i < 10; ++i) c_[i] = laneRow<Lanes>(f.coefficients, i);
        for (int i = 0; i < 6; ++i) s_[i] = laneRow<Lanes>(f.state, i);
    }

    void storeTo(WidenerFilters& f) const {
        alignas(16) float rows[6][4];
        for (int i = 0; i < 6; ++i) _mm_store_ps(rows[i], s_[i]);
        for (int j = 0; j < 4; ++j) {
            if (Lanes[j] < 0) continue;
            for (int i = 0; i < 6; ++i) f.state[Lanes[j]][i] = rows[i][j];
        }
    }

    // terms[t] = (c0 x + c1 x1) + c2 x2 for x = input(t), t in [0, n).
    template <typename Input>
    VELTRA_KERNEL_INLINE void inputTerms(Input input, float (*terms)[4], int n) {
        __m128 x1 = s_[0], x2 = s_[1];
        for (int t = 0; t < n; ++t) {
            const __m128 x = input(t);
            const __m128 sum = _mm_add_ps(_mm_mul_ps(c_[0], x), _mm_mul_ps(c_[1], x1));
            _mm_store_ps(terms[t], _mm_add_ps(sum, _mm_mul_ps(c_[2], x2)));
            x2 = x1;
            x1 = x;
        }
        s_[0] = x1;
        s_[1] = x2;
    }

    // The rest of each step: u from the terms and the last two u, y from u and the history.
    VELTRA_KERNEL_INLINE void recursions(const float (*terms)[4], float (*out)[4], int n) {
        const __m128 c3 = c_[3], c4 = c_[4], c5 = c_[5], c6 = c_[6], c7 = c_[7], c8 = c_[8],
                     c9 = c_[9];
        __m128 u1 = s_[2], u2 = s_[3], y1 = s_[4], y2 = s_[5];
        for (int t = 0; t < n; ++t) {
            const __m128 u = _mm_add_ps(_mm_add_ps(_mm_load_ps(terms[t]), _mm_mul_ps(c3, u1)),
                                        _mm_mul_ps(c4, u2));
            __m128 y = _mm_add_ps(_mm_mul_ps(c5, u), _mm_mul_ps(c6, u1));
            y = _mm_add_ps(y, _mm_mul_ps(c7, u2));
            y = _mm_add_ps(y, _mm_mul_ps(c8, y1));
            y = _mm_add_ps(y, _mm_mul_ps(c9, y2));
            _mm_store_ps(out[t], y);
            u2 = u1;
            u1 = u;
            y2 = y1;
            y1 = y;
        }
        s_[2] = u1;
        s_[3] = u2;
        s_[4] = y1;
        s_[5] = y2;
    }

  private:
    __m128 c_[10];
    __m128 s_[6];  // x1 x2 u1 u2 y1 y2, as fourthOrderStep keeps them
};

// widenerMix for four samples, one in each lane: the mid and the two sides come out of the
// filters' rows (sample-major) by a transposition of their columns.
VELTRA_KERNEL_INLINE void mixFour(const WidenerGains& k, const float (*front)[4],
                                  const float (*side)[4], float* left, float* right) {
    const __m128 f0 = _mm_load_ps(front[0]), f1 = _mm_load_ps(front[1]), f2 = _mm_load_ps(front[2]),
                 f3 = _mm_load_ps(front[3]);
    const __m128 mid = _mm_movelh_ps(_mm_unpackhi_ps(f0, f1), _mm_unpackhi_ps(f2, f3));
    const __m128 low = _mm_unpacklo_ps(_mm_load_ps(side[0]), _mm_load_ps(side[1]));
    const __m128 high = _mm_unpacklo_ps(_mm_load_ps(side[2]), _mm_load_ps(side[3]));
    const __m128 s1 = _mm_movelh_ps(low, high), s2 = _mm_movehl_ps(high, low);
    const __m128 l = _mm_loadu_ps(left), r = _mm_loadu_ps(right);
    const __m128 g = _mm_set1_ps(k.secondScale), mix = _mm_set1_ps(k.mix), ten = _mm_set1_ps(10.0f),
                 output = _mm_set1_ps(k.output);
    const __m128 m2 = _mm_add_ps(_mm_mul_ps(g, l), _mm_mul_ps(g, r));
    const __m128 outL = _mm_add_ps(_mm_mul_ps(_mm_add_ps(s2, m2), mix), _mm_add_ps(s1, mid));
    const __m128 outR = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(m2, s2), mix), _mm_sub_ps(mid, s1));
    _mm_storeu_ps(left, _mm_mul_ps(_mm_mul_ps(outL, ten), output));
    _mm_storeu_ps(right, _mm_mul_ps(_mm_mul_ps(outR, ten), output));
}

void widener(WidenerFilters& filters, const WidenerGains& k, float* left, float* right,
             int frames) {
    FilterPasses<kFrontLanes> front(filters);
    FilterPasses<kSideLanes> side(filters);
    // s*l - s*r is s*l + (-s)*r to the bit: negation is exact and a - b is a + (-b).
    const __m128 s = _mm_setr_ps(k.scale, k.secondScale, k.scale, 0.0f);
    const __m128 minus = _mm_setr_ps(-k.scale, -k.secondScale, k.scale, 0.0f);
    const __m128d sideGains = _mm_set_pd(k.secondSide, k.directSide);
    alignas(16) float terms[kWidenerChunk][4], frontOut[kWidenerChunk][4],
        sideOut[kWidenerChunk][4];
    for (int at = 0; at < frames; at += kWidenerChunk) {
        const int n = frames - at < kWidenerChunk ? frames - at : kWidenerChunk;
        float* l = left + at;
        float* r = right + at;
        front.inputTerms(
            [&](int t) {
                return _mm_add_ps(_mm_mul_ps(s, _mm_set1_ps(l[t])),
                                  _mm_mul_ps(minus, _mm_set1_ps(r[t])));
            },
            terms, n);
        front.recursions(terms, frontOut, n);
        // The high-passes' outputs scaled in double, as the scalar table does.
        side.inputTerms(
            [&](int t) {
                const __m128d scaled =
                    _mm_mul_pd(_mm_cvtps_pd(_mm_load_ps(frontOut[t])), sideGains);
                return _mm_cvtpd_ps(scaled);
            },
            terms, n);
        side.recursions(terms, sideOut, n);
        int t = 0;
        for (; t + 4 <= n; t += 4) mixFour(k, frontOut + t, sideOut + t, l + t, r + t);
        for (; t < n; ++t)
            widenerMix(k, frontOut[t][2], sideOut[t][0], sideOut[t][1], l[t], r[t], l[t], r[t]);
    }
    front.storeTo(filters);
    side.storeTo(filters);
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
