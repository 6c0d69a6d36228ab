// SSE2: every x86-64 CPU has it, so this table needs no compiler flag and no CPU check.
#include "effects/kernels/KernelTable.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>

namespace veltra::kernels {

namespace {

inline __m128 select(__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

// A group of Count sections in the lanes of one register per channel (see the scalar table for
// the skew). Lanes past Count compute values nobody reads; lanes that hold no real sample while
// the pipeline fills or drains keep their state through a mask.
struct Coefficients {
    explicit Coefficients(const EqLanes& g)
        : k0(_mm_loadu_ps(g.k[0])), k1(_mm_loadu_ps(g.k[1])), k2(_mm_loadu_ps(g.k[2])),
          k3(_mm_loadu_ps(g.k[3])), k4(_mm_loadu_ps(g.k[4])), zero(_mm_loadu_ps(g.zero)) {}
    const __m128 k0, k1, k2, k3, k4, zero;
};

// One channel's chain: the sections' outputs of the last step and their state.
struct Chain {
    __m128 y, s0, s1;
};

template <int Lag, bool AddZero>
VELTRA_KERNEL_INLINE void step(const Coefficients& k, Chain& c, __m128 valid, int t, float in,
                               float* out) {
    __m128 x = _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(c.y), 4));
    x = _mm_move_ss(x, _mm_set_ss(in));
    if constexpr (AddZero) x = _mm_add_ps(x, k.zero);
    c.y = _mm_add_ps(_mm_mul_ps(k.k0, x), c.s0);
    const __m128 n0 = _mm_add_ps(_mm_add_ps(_mm_mul_ps(k.k1, x), c.s1), _mm_mul_ps(k.k3, c.s0));
    const __m128 n1 = _mm_add_ps(_mm_mul_ps(k.k2, x), _mm_mul_ps(k.k4, c.s0));
    c.s0 = select(valid, n0, c.s0);
    c.s1 = select(valid, n1, c.s1);
    if (t >= Lag) out[t - Lag] = _mm_cvtss_f32(_mm_shuffle_ps(c.y, c.y, Lag * 0x55));
}

// A group of Count sections in the lanes of one register per channel (see the scalar table for
// the skew); two channels run as two independent chains. Lanes past Count compute values nobody
// reads; lanes that hold no real sample while the pipeline fills or drains keep their state
// through a mask, which in the steady run is all ones: a blend costs less than a branch.
template <int Count, int Channels, bool AddZero>
void runLanes(const EqLanes& g, EqLaneState* states, const float* const* source,
              float* const* output, int frames) {
    constexpr int lag = Count - 1;
    const Coefficients k(g);
    const __m128i lane = _mm_set_epi32(3, 2, 1, 0);
    const __m128 all = _mm_castsi128_ps(_mm_set1_epi32(-1));
    Chain c0{_mm_setzero_ps(), _mm_loadu_ps(states[0].s0), _mm_loadu_ps(states[0].s1)};
    Chain c1 = c0;
    if constexpr (Channels == 2)
        c1 = {_mm_setzero_ps(), _mm_loadu_ps(states[1].s0), _mm_loadu_ps(states[1].s1)};
    const float* in0 = source[0];
    const float* in1 = source[Channels - 1];
    float* out0 = output[0];
    float* out1 = output[Channels - 1];
    for (int t = 0; t < frames + lag; ++t) {
        __m128 valid = all;
        if (t < lag || t >= frames) {  // filling or draining: lanes first..last hold a sample
            const int first = t - frames + 1 > 0 ? t - frames + 1 : 0, last = t < lag ? t : lag;
            valid = _mm_castsi128_ps(
                _mm_and_si128(_mm_cmplt_epi32(lane, _mm_set1_epi32(last + 1)),
                              _mm_cmpgt_epi32(lane, _mm_set1_epi32(first - 1))));
        }
        const bool inside = t < frames;
        step<lag, AddZero>(k, c0, valid, t, inside ? in0[t] : 0.0f, out0);
        if constexpr (Channels == 2) step<lag, AddZero>(k, c1, valid, t, inside ? in1[t] : 0.0f, out1);
    }
    _mm_storeu_ps(states[0].s0, c0.s0);
    _mm_storeu_ps(states[0].s1, c0.s1);
    if constexpr (Channels == 2) {
        _mm_storeu_ps(states[1].s0, c1.s0);
        _mm_storeu_ps(states[1].s1, c1.s1);
    }
}

template <int Count>
void runCount(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
              float* const* output, int frames) {
    if (channels == 2) {
        if (g.anyZero) return runLanes<Count, 2, true>(g, states, source, output, frames);
        return runLanes<Count, 2, false>(g, states, source, output, frames);
    }
    if (g.anyZero) return runLanes<Count, 1, true>(g, states, source, output, frames);
    runLanes<Count, 1, false>(g, states, source, output, frames);
}

void eqGroup(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames) {
    switch (g.count) {
        case 1: return runCount<1>(g, states, channels, source, output, frames);
        case 2: return runCount<2>(g, states, channels, source, output, frames);
        case 3: return runCount<3>(g, states, channels, source, output, frames);
        case 4: return runCount<4>(g, states, channels, source, output, frames);
        default: return;
    }
}

constexpr KernelTable kSse2{Isa::Sse2, "sse2", 4, &eqGroup};

}  // namespace

const KernelTable* sse2Kernels() {
    return &kSse2;
}

}  // namespace veltra::kernels

#else

namespace veltra::kernels {
const KernelTable* sse2Kernels() {
    return nullptr;
}
}  // namespace veltra::kernels

#endif
