// The AVX2 table's widener (KernelTable::widener). Built with AVX2 code generation like
// Avx2Kernels.cpp, and for the same reason it uses no library code and includes inline code only
// with internal linkage (WidenerMix.h).
#include "effects/kernels/Avx2Widener.h"

#include "effects/kernels/WidenerMix.h"

#if defined(VELTRA_X86_64)
#include <immintrin.h>

#include "effects/kernels/Avx2Exit.h"

namespace veltra::kernels {

namespace {

// The front filters (the two high-passes and the mid, fed by the input) and the side filters
// (fed by the high-passes) are two groups of recursions, each in four lanes. Every sample's
// input terms, (c0 x + c1 x1) + c2 x2, depend on no output and are formed a chunk at a time
// before the recursions run. The recursions then step together in one register, the front on
// one chunk in the low half and the side on the chunk before in the high half, so the two
// chains overlap and each loop still fits in the sixteen vector registers. (Both groups with
// their input terms in one register needed more than sixteen: GCC kept the state on the stack,
// and a store and its reload sat on every recursion.) The mix runs four samples at a time.
constexpr int kChunk = 16;
constexpr int kBlock = 64;                     // samples per pass over the buffers
constexpr int kFrontLanes[4] = {1, 3, 0, -1};  // direct high-pass, second high-pass, mid
constexpr int kSideLanes[4] = {2, 4, -1, -1};  // direct side, second side

using Rows = float (*)[4];
using ConstRows = const float (*)[4];

// Value i of each lane's filter in `rows` (coefficients or state), zero in lanes with none.
template <const int (&Lanes)[4], typename Source>
VELTRA_KERNEL_INLINE __m128 laneRow(const Source& rows, int i) {
    const auto lane = [&rows, i](int j) { return Lanes[j] < 0 ? 0.0f : rows[Lanes[j]][i]; };
    return _mm_setr_ps(lane(0), lane(1), lane(2), lane(3));
}

// fourthOrderStep for the filters of one lane map, four lanes at a time: coefficient rows c
// and state rows s (x1 x2 u1 u2 y1 y2, as fourthOrderStep keeps them).
template <const int (&Lanes)[4]>
struct FilterGroup {
    __m128 c[10];
    __m128 s[6];

    explicit FilterGroup(const WidenerFilters& f) {
        for (int i = 0; i < 10; ++i) c[i] = laneRow<Lanes>(f.coefficients, i);
        for (int i = 0; i < 6; ++i) s[i] = laneRow<Lanes>(f.state, i);
    }

    void storeTo(WidenerFilters& f) const {
        alignas(16) float rows[6][4];
        for (int i = 0; i < 6; ++i) _mm_store_ps(rows[i], s[i]);
        for (int j = 0; j < 4; ++j) {
            if (Lanes[j] < 0) continue;
            for (int i = 0; i < 6; ++i) f.state[Lanes[j]][i] = rows[i][j];
        }
    }

    // terms[t] = (c0 x + c1 x1) + c2 x2 for x = input(t), t in [from, to).
    template <typename Input>
    VELTRA_KERNEL_INLINE void inputTerms(Input input, Rows terms, int from, int to) {
        __m128 x1 = s[0], x2 = s[1];
        for (int t = from; t < to; ++t) {
            const __m128 x = input(t);
            const __m128 sum = _mm_add_ps(_mm_mul_ps(c[0], x), _mm_mul_ps(c[1], x1));
            _mm_store_ps(terms[t], _mm_add_ps(sum, _mm_mul_ps(c[2], x2)));
            x2 = x1;
            x1 = x;
        }
        s[0] = x1;
        s[1] = x2;
    }
};

// The rest of each step, on 128-bit rows or on pairs of them: u from the input terms and the
// last two u, then y from u and the history.
VELTRA_KERNEL_INLINE __m128 add(__m128 a, __m128 b) {
    return _mm_add_ps(a, b);
}
VELTRA_KERNEL_INLINE __m128 mul(__m128 a, __m128 b) {
    return _mm_mul_ps(a, b);
}
VELTRA_KERNEL_INLINE __m256 add(__m256 a, __m256 b) {
    return _mm256_add_ps(a, b);
}
VELTRA_KERNEL_INLINE __m256 mul(__m256 a, __m256 b) {
    return _mm256_mul_ps(a, b);
}

// Steps [0, n) of the recursions with coefficient rows c[3..9] and state s[2..5]; load(t) gives
// step t's input terms, store(t, y) takes its output.
template <typename V, typename Load, typename Store>
VELTRA_KERNEL_INLINE void recursions(const V (&c)[10], V (&s)[6], int n, Load load, Store store) {
    const V c3 = c[3], c4 = c[4], c5 = c[5], c6 = c[6], c7 = c[7], c8 = c[8], c9 = c[9];
    V u1 = s[2], u2 = s[3], y1 = s[4], y2 = s[5];
    for (int t = 0; t < n; ++t) {
        const V u = add(add(load(t), mul(c3, u1)), mul(c4, u2));
        V y = add(mul(c5, u), mul(c6, u1));
        y = add(y, mul(c7, u2));
        y = add(y, mul(c8, y1));
        y = add(y, mul(c9, y2));
        store(t, y);
        u2 = u1;
        u1 = u;
        y2 = y1;
        y1 = y;
    }
    s[2] = u1;
    s[3] = u2;
    s[4] = y1;
    s[5] = y2;
}

template <const int (&Lanes)[4]>
VELTRA_KERNEL_INLINE void runAlone(FilterGroup<Lanes>& g, ConstRows terms, Rows out, int from,
                                   int to) {
    recursions(
        g.c, g.s, to - from, [&](int t) { return _mm_load_ps(terms[from + t]); },
        [&](int t, __m128 y) { _mm_store_ps(out[from + t], y); });
}

VELTRA_KERNEL_INLINE __m256 both(__m128 low, __m128 high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

// The front filters on [front, front + n) and the side filters on [side, side + n), in step.
VELTRA_KERNEL_INLINE void runTogether(FilterGroup<kFrontLanes>& f, FilterGroup<kSideLanes>& g,
                                      ConstRows frontTerms, ConstRows sideTerms, Rows frontOut,
                                      Rows sideOut, int front, int side, int n) {
    __m256 c[10], s[6];
    for (int i = 3; i < 10; ++i) c[i] = both(f.c[i], g.c[i]);
    for (int i = 2; i < 6; ++i) s[i] = both(f.s[i], g.s[i]);
    recursions(
        c, s, n,
        [&](int t) {
            return both(_mm_load_ps(frontTerms[front + t]), _mm_load_ps(sideTerms[side + t]));
        },
        [&](int t, __m256 y) {
            _mm_store_ps(frontOut[front + t], _mm256_castps256_ps128(y));
            _mm_store_ps(sideOut[side + t], _mm256_extractf128_ps(y, 1));
        });
    for (int i = 2; i < 6; ++i) {
        f.s[i] = _mm256_castps256_ps128(s[i]);
        g.s[i] = _mm256_extractf128_ps(s[i], 1);
    }
}

// Four samples, one in each lane, with the operators widenerMixOf needs (MSVC has none for
// __m128 itself).
struct Four {
    __m128 v;
};
VELTRA_KERNEL_INLINE Four operator+(Four a, Four b) {
    return {_mm_add_ps(a.v, b.v)};
}
VELTRA_KERNEL_INLINE Four operator-(Four a, Four b) {
    return {_mm_sub_ps(a.v, b.v)};
}
VELTRA_KERNEL_INLINE Four operator*(Four a, Four b) {
    return {_mm_mul_ps(a.v, b.v)};
}

// widenerMix for four samples: the mid and the two sides come out of the filters' rows
// (sample-major) by a transposition of their columns.
VELTRA_KERNEL_INLINE void mixFour(const WidenerGains& k, ConstRows front, ConstRows side,
                                  float* left, float* right) {
    const __m128 f0 = _mm_load_ps(front[0]), f1 = _mm_load_ps(front[1]), f2 = _mm_load_ps(front[2]),
                 f3 = _mm_load_ps(front[3]);
    const __m128 mid = _mm_movelh_ps(_mm_unpackhi_ps(f0, f1), _mm_unpackhi_ps(f2, f3));
    const __m128 low = _mm_unpacklo_ps(_mm_load_ps(side[0]), _mm_load_ps(side[1]));
    const __m128 high = _mm_unpacklo_ps(_mm_load_ps(side[2]), _mm_load_ps(side[3]));
    Four outL, outR;
    widenerMixOf(Four{_mm_set1_ps(k.secondScale)}, Four{_mm_set1_ps(k.mix)},
                 Four{_mm_set1_ps(10.0f)}, Four{_mm_set1_ps(k.output)}, Four{mid},
                 Four{_mm_movelh_ps(low, high)}, Four{_mm_movehl_ps(high, low)},
                 Four{_mm_loadu_ps(left)}, Four{_mm_loadu_ps(right)}, outL, outR);
    _mm_storeu_ps(left, outL.v);
    _mm_storeu_ps(right, outR.v);
}

// Every sample's input terms and outputs of both filter groups, for one pass; each row is
// written before it is read.
struct PassRows {
    alignas(16) float frontTerms[kBlock][4];
    alignas(16) float sideTerms[kBlock][4];
    alignas(16) float frontOut[kBlock][4];
    alignas(16) float sideOut[kBlock][4];
};

// Passes over at most kBlock samples, in place.
class WidenerPass {
  public:
    WidenerPass(WidenerFilters& filters, const WidenerGains& k, PassRows& rows)
        : k_(k),
          rows_(rows),
          front_(filters),
          side_(filters),
          // s*l - s*r is s*l + (-s)*r to the bit: negation is exact and a - b is a + (-b).
          scale_(_mm_setr_ps(k.scale, k.secondScale, k.scale, 0.0f)),
          minus_(_mm_setr_ps(-k.scale, -k.secondScale, k.scale, 0.0f)),
          sideGains_(_mm_set_pd(k.secondSide, k.directSide)) {}

    void storeTo(WidenerFilters& filters) const {
        front_.storeTo(filters);
        side_.storeTo(filters);
    }

    void run(float* left, float* right, int n) {
        int front = n < kChunk ? n : kChunk;  // samples through the front filters
        frontTerms(left, right, 0, front);
        runAlone(front_, rows_.frontTerms, rows_.frontOut, 0, front);
        int side = 0;  // samples through the side filters
        while (front < n) {
            const int count = n - front < kChunk ? n - front : kChunk;
            frontTerms(left, right, front, front + count);
            sideTerms(side, front);
            runTogether(front_, side_, rows_.frontTerms, rows_.sideTerms, rows_.frontOut,
                        rows_.sideOut, front, side, count);
            runAlone(side_, rows_.sideTerms, rows_.sideOut, side + count, front);
            mix(left, right, side, front);
            side = front;
            front += count;
        }
        sideTerms(side, n);
        runAlone(side_, rows_.sideTerms, rows_.sideOut, side, n);
        mix(left, right, side, n);
    }

  private:
    void frontTerms(const float* left, const float* right, int from, int to) {
        front_.inputTerms(
            [&](int t) {
                return _mm_add_ps(_mm_mul_ps(scale_, _mm_set1_ps(left[t])),
                                  _mm_mul_ps(minus_, _mm_set1_ps(right[t])));
            },
            rows_.frontTerms, from, to);
    }

    // The high-passes' outputs scaled in double, as the scalar table does.
    void sideTerms(int from, int to) {
        side_.inputTerms(
            [&](int t) {
                return _mm_cvtpd_ps(
                    _mm_mul_pd(_mm_cvtps_pd(_mm_load_ps(rows_.frontOut[t])), sideGains_));
            },
            rows_.sideTerms, from, to);
    }

    void mix(float* left, float* right, int from, int to) {
        int t = from;
        for (; t + 4 <= to; t += 4)
            mixFour(k_, rows_.frontOut + t, rows_.sideOut + t, left + t, right + t);
        for (; t < to; ++t)
            widenerMix(k_, rows_.frontOut[t][2], rows_.sideOut[t][0], rows_.sideOut[t][1], left[t],
                       right[t], left[t], right[t]);
    }

    const WidenerGains& k_;
    PassRows& rows_;
    FilterGroup<kFrontLanes> front_;
    FilterGroup<kSideLanes> side_;
    const __m128 scale_, minus_;
    const __m128d sideGains_;
};

}  // namespace

void avx2Widener(WidenerFilters& filters, const WidenerGains& gains, float* left, float* right,
                 int frames) {
    const Avx2Exit clearOnReturn;
    PassRows rows;
    WidenerPass pass(filters, gains, rows);
    for (int at = 0; at < frames; at += kBlock)
        pass.run(left + at, right + at, frames - at < kBlock ? frames - at : kBlock);
    pass.storeTo(filters);
}

}  // namespace veltra::kernels

#endif
