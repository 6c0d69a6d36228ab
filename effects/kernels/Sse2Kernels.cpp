// SSE2: every x86-64 CPU has it, so this table needs no compiler flag and no CPU check.
#include "effects/kernels/KernelTable.h"
#include "effects/kernels/LimiterLaw.h"
#include "effects/kernels/RegisterCount.h"
#include "effects/kernels/WidenerMix.h"

#if defined(VELTRA_X86_64)
#include <emmintrin.h>

#include <bit>

namespace veltra::kernels {

namespace {

inline __m128 select(__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

// A group of Count sections in the lanes of one register per channel (see the scalar table for
// the skew). Lanes past Count compute values nobody reads; lanes that hold no real sample while
// the pipeline fills or drains keep their state through a mask.
// Register r holds sections 4r .. 4r + 3 of one channel; a step moves each lane's output one
// lane up (pslldq, one cycle) and lane 3 of a register into lane 0 of the next.
struct Coefficients {
    __m128 k0, k1, k2, k3, k4, zero;
    __m128i index;  // each lane's section

    static Coefficients load(const EqLanes& g, int r) {
        const int at = 4 * r;
        return {_mm_loadu_ps(g.k[0] + at),
                _mm_loadu_ps(g.k[1] + at),
                _mm_loadu_ps(g.k[2] + at),
                _mm_loadu_ps(g.k[3] + at),
                _mm_loadu_ps(g.k[4] + at),
                _mm_loadu_ps(g.zero + at),
                _mm_set_epi32(at + 3, at + 2, at + 1, at)};
    }
};

struct Chain {
    __m128 y, s0, s1;  // the sections' outputs of the last step, and their state
};

template <bool AddZero, bool Masked>
VELTRA_KERNEL_INLINE void filter(const Coefficients& k, Chain& c, __m128 x, __m128 valid) {
    if constexpr (AddZero) x = _mm_add_ps(x, k.zero);
    c.y = _mm_add_ps(_mm_mul_ps(k.k0, x), c.s0);
    const __m128 n0 = _mm_add_ps(_mm_add_ps(_mm_mul_ps(k.k1, x), c.s1), _mm_mul_ps(k.k3, c.s0));
    const __m128 n1 = _mm_add_ps(_mm_mul_ps(k.k2, x), _mm_mul_ps(k.k4, c.s0));
    if constexpr (Masked) {
        c.s0 = select(valid, n0, c.s0);
        c.s1 = select(valid, n1, c.s1);
    } else {
        c.s0 = n0;
        c.s1 = n1;
    }
}

// {below[3], y[0], y[1], y[2]}: every lane moves up and lane 0 takes the register below's last,
// in two shuffles (SSE2 has no byte-align).
VELTRA_KERNEL_INLINE __m128 alignUp(__m128 y, __m128 below) {
    const __m128 edge = _mm_shuffle_ps(below, y, _MM_SHUFFLE(0, 0, 3, 3));
    return _mm_shuffle_ps(edge, y, _MM_SHUFFLE(2, 1, 2, 0));
}

// One step of every register (see the scalar table for the skew). While the pipeline fills or
// drains (Edge), only lanes whose section lies in [first, last] change their state.
template <int Regs, bool AddZero, bool Edge>
VELTRA_KERNEL_INLINE void step(const Coefficients (&k)[Regs], Chain (&c)[Regs], float in, int first,
                               int last) {
    __m128 x[Regs];
    x[0] = alignUp(c[0].y, _mm_set1_ps(in));
    VELTRA_UNROLL
    for (int r = 1; r < Regs; ++r) x[r] = alignUp(c[r].y, c[r - 1].y);
    VELTRA_UNROLL
    for (int r = 0; r < Regs; ++r) {
        if constexpr (Edge) {
            const __m128i inside =
                _mm_and_si128(_mm_cmpgt_epi32(k[r].index, _mm_set1_epi32(first - 1)),
                              _mm_cmplt_epi32(k[r].index, _mm_set1_epi32(last + 1)));
            filter<AddZero, true>(k[r], c[r], x[r], _mm_castsi128_ps(inside));
        } else {
            filter<AddZero, false>(k[r], c[r], x[r], _mm_setzero_ps());
        }
    }
}

// A group of up to 4 * Regs sections of one channel. Lanes past the group compute values nobody
// reads.
template <int Regs, bool AddZero>
void runChannel(const EqLanes& g, EqLaneState& state, const float* source, float* output,
                int frames) {
    const int lag = g.count - 1;
    Coefficients k[Regs];
    Chain c[Regs];
    VELTRA_UNROLL
    for (int r = 0; r < Regs; ++r) {
        k[r] = Coefficients::load(g, r);
        c[r] = {_mm_setzero_ps(), _mm_loadu_ps(state.s0 + 4 * r), _mm_loadu_ps(state.s1 + 4 * r)};
    }
    const int outReg = lag / 4, outLane = lag % 4;
    // The last section's output of this step (selected, never indexed at run time, which would
    // put the chains in memory).
    const auto emit = [&](int t) {
        __m128 y = c[0].y;
        VELTRA_UNROLL
        for (int r = 1; r < Regs; ++r) y = r == outReg ? c[r].y : y;
        switch (outLane) {
            case 1:
                y = _mm_shuffle_ps(y, y, 0x55);
                break;
            case 2:
                y = _mm_shuffle_ps(y, y, 0xAA);
                break;
            case 3:
                y = _mm_shuffle_ps(y, y, 0xFF);
                break;
            default:
                break;
        }
        output[t - lag] = _mm_cvtss_f32(y);
    };
    int t = 0;
    for (; t < lag; ++t)  // filling (and, for blocks shorter than the group, draining)
        step<Regs, AddZero, true>(k, c, t < frames ? source[t] : 0.0f,
                                  t - frames + 1 > 0 ? t - frames + 1 : 0, t);
    for (; t < frames; ++t) {
        step<Regs, AddZero, false>(k, c, source[t], 0, lag);
        emit(t);
    }
    for (t = frames > lag ? frames : lag; t < frames + lag; ++t) {  // draining
        step<Regs, AddZero, true>(k, c, 0.0f, t - frames + 1, lag);
        emit(t);
    }
    VELTRA_UNROLL
    for (int r = 0; r < Regs; ++r) {
        _mm_storeu_ps(state.s0 + 4 * r, c[r].s0);
        _mm_storeu_ps(state.s1 + 4 * r, c[r].s1);
    }
}

template <int Regs>
void runRegs(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames) {
    // Channel by channel: the registers of one channel already overlap their latencies.
    for (int ch = 0; ch < channels; ++ch) {
        if (g.anyZero) {
            runChannel<Regs, true>(g, states[ch], source[ch], output[ch], frames);
        } else {
            runChannel<Regs, false>(g, states[ch], source[ch], output[ch], frames);
        }
    }
}

void eqGroup(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames) {
    byRegisterCount(g.count, [&](auto regs) {
        constexpr int kRegs = decltype(regs)::value;
        runRegs<kRegs>(g, states, channels, source, output, frames);
    });
}

// The widener's filters in two registers: the ones fed by the input ("front": direct high-pass,
// second high-pass, mid) on sample t, and the side filters fed by the high-passes ("back") one
// sample behind, on t - 1, so both registers step together without waiting for each other.
// Lanes of a filter set that is not there hold zero coefficients and compute nothing anyone
// reads.
constexpr int kFront[4] = {1, 3, 0, -1};
constexpr int kBack[4] = {2, 4, -1, -1};

// Value i of each lane's filter in `rows` (coefficients or state), zero in lanes with none. The
// lane map is a constant, so this is four loads rather than a loop over it.
template <const int (&Map)[4], typename Rows>
inline __m128 laneRow(const Rows& rows, int i) {
    const auto lane = [&rows, i](int j) { return Map[j] < 0 ? 0.0f : rows[Map[j]][i]; };
    return _mm_setr_ps(lane(0), lane(1), lane(2), lane(3));
}

struct FilterLanes {
    __m128 c[10];
    __m128 x1, x2, u1, u2, y1, y2;

    template <const int (&Map)[4]>
    static FilterLanes gather(const WidenerFilters& f) {
        FilterLanes lanes{};
        for (int i = 0; i < 10; ++i) lanes.c[i] = laneRow<Map>(f.coefficients, i);
        lanes.x1 = laneRow<Map>(f.state, 0);
        lanes.x2 = laneRow<Map>(f.state, 1);
        lanes.u1 = laneRow<Map>(f.state, 2);
        lanes.u2 = laneRow<Map>(f.state, 3);
        lanes.y1 = laneRow<Map>(f.state, 4);
        lanes.y2 = laneRow<Map>(f.state, 5);
        return lanes;
    }
    template <const int (&Map)[4]>
    void storeTo(WidenerFilters& f) const {
        alignas(16) float rows[6][4];
        const __m128 state[6] = {x1, x2, u1, u2, y1, y2};
        for (int i = 0; i < 6; ++i) _mm_store_ps(rows[i], state[i]);
        for (int j = 0; j < 4; ++j) {
            if (Map[j] < 0) continue;
            for (int i = 0; i < 6; ++i) f.state[Map[j]][i] = rows[i][j];
        }
    }
};

// fourthOrderStep in every lane; with Masked, lanes outside `valid` keep their state.
template <bool Masked>
VELTRA_KERNEL_INLINE void filterStep(FilterLanes& f, __m128 x, __m128 valid) {
    const __m128* c = f.c;
    __m128 u = _mm_add_ps(_mm_mul_ps(c[0], x), _mm_mul_ps(c[1], f.x1));
    u = _mm_add_ps(_mm_add_ps(_mm_add_ps(u, _mm_mul_ps(c[2], f.x2)), _mm_mul_ps(c[3], f.u1)),
                   _mm_mul_ps(c[4], f.u2));
    __m128 y = _mm_add_ps(_mm_mul_ps(c[5], u), _mm_mul_ps(c[6], f.u1));
    y = _mm_add_ps(_mm_add_ps(_mm_add_ps(y, _mm_mul_ps(c[7], f.u2)), _mm_mul_ps(c[8], f.y1)),
                   _mm_mul_ps(c[9], f.y2));
    if constexpr (Masked) {
        f.x2 = select(valid, f.x1, f.x2);
        f.x1 = select(valid, x, f.x1);
        f.u2 = select(valid, f.u1, f.u2);
        f.u1 = select(valid, u, f.u1);
        f.y2 = select(valid, f.y1, f.y2);
        f.y1 = select(valid, y, f.y1);
    } else {
        f.x2 = f.x1;
        f.x1 = x;
        f.u2 = f.u1;
        f.u1 = u;
        f.y2 = f.y1;
        f.y1 = y;
    }
}

VELTRA_KERNEL_INLINE float laneOf(__m128 v, int lane) {
    switch (lane) {
        case 1:
            return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 0x55));
        case 2:
            return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 0xAA));
        default:
            return _mm_cvtss_f32(v);
    }
}

// Step t runs the front filters on sample t and the back ones on sample t - 1, then mixes
// sample t - 1 exactly as the scalar table does. Step 0 has no back sample and step `frames` no
// front one: those two steps mask the idle register's state.
template <bool Edge>
VELTRA_KERNEL_INLINE void widenerStep(FilterLanes& front, FilterLanes& back, const WidenerGains& k,
                                      float* left, float* right, int t, int frames, float& lastL,
                                      float& lastR) {
    const __m128 s = _mm_set_ps(0.0f, k.scale, k.secondScale, k.scale);
    const __m128 minus = _mm_set_ps(0.0f, k.scale, -k.secondScale, -k.scale);
    const __m128 all = _mm_castsi128_ps(_mm_set1_epi32(-1));
    const bool hasFront = !Edge || t < frames, hasBack = !Edge || t > 0;
    // The high-passes' outputs of sample t - 1, scaled in double as the scalar table does.
    const __m128d side = _mm_mul_pd(_mm_cvtps_pd(front.y1), _mm_set_pd(k.secondSide, k.directSide));
    const __m128 backIn = _mm_cvtpd_ps(side);
    float l = 0.0f, r = 0.0f;
    if (hasFront) {
        l = left[t];
        r = right[t];
    }
    // s*l - s*r is s*l + (-s)*r to the bit: negation is exact and a - b is a + (-b).
    const __m128 frontIn =
        _mm_add_ps(_mm_mul_ps(s, _mm_set1_ps(l)), _mm_mul_ps(minus, _mm_set1_ps(r)));
    const float mid = laneOf(front.y1, 2);  // sample t - 1, before the front steps on
    if constexpr (Edge) {
        filterStep<true>(front, frontIn, hasFront ? all : _mm_setzero_ps());
        filterStep<true>(back, backIn, hasBack ? all : _mm_setzero_ps());
    } else {
        filterStep<false>(front, frontIn, all);
        filterStep<false>(back, backIn, all);
    }
    if (hasBack) {
        const float s1 = laneOf(back.y1, 0), s2 = laneOf(back.y1, 1);
        widenerMix(k, mid, s1, s2, lastL, lastR, left[t - 1], right[t - 1]);
    }
    lastL = l;
    lastR = r;
}

void widener(WidenerFilters& f, const WidenerGains& k, float* left, float* right, int frames) {
    if (frames <= 0) return;
    FilterLanes front = FilterLanes::gather<kFront>(f), back = FilterLanes::gather<kBack>(f);
    float lastL = 0.0f, lastR = 0.0f;
    widenerStep<true>(front, back, k, left, right, 0, frames, lastL, lastR);
    for (int t = 1; t < frames; ++t)
        widenerStep<false>(front, back, k, left, right, t, frames, lastL, lastR);
    widenerStep<true>(front, back, k, left, right, frames, frames, lastL, lastR);
    front.storeTo<kFront>(f);
    back.storeTo<kBack>(f);
}

// Four samples' levels: each magnitude widened to double, scaled and rounded back to float.
inline __m128 limiterLevels(__m128 x, __m128d inputGain, __m128d gain) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
    const __m128d low = _mm_mul_pd(_mm_mul_pd(_mm_cvtps_pd(magnitude), inputGain), gain);
    const __m128d high =
        _mm_mul_pd(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(magnitude, magnitude)), inputGain), gain);
    return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

// The smallest and largest magnitude of x[0, count), count a multiple of 4; false if any is NaN.
inline bool magnitudeRange(const float* x, int count, float& low, float& high) {
    const __m128 sign = _mm_set1_ps(-0.0f);
    __m128 lo = _mm_andnot_ps(sign, _mm_loadu_ps(x)), hi = lo, nan = _mm_setzero_ps();
    for (int i = 0; i < count; i += 4) {
        const __m128 a = _mm_andnot_ps(sign, _mm_loadu_ps(x + i));
        lo = _mm_min_ps(lo, a);
        hi = _mm_max_ps(hi, a);
        nan = _mm_or_ps(nan, _mm_cmpunord_ps(a, a));
    }
    lo = _mm_min_ps(lo, _mm_movehl_ps(lo, lo));
    hi = _mm_max_ps(hi, _mm_movehl_ps(hi, hi));
    low = _mm_cvtss_f32(_mm_min_ss(lo, _mm_shuffle_ps(lo, lo, 1)));
    high = _mm_cvtss_f32(_mm_max_ss(hi, _mm_shuffle_ps(hi, hi, 1)));
    return _mm_movemask_ps(nan) == 0;
}

// limiterSettledFrom four samples at a time: the same operations per lane. Most blocks are
// decided first by their quietest and loudest sample alone.
int limiterSettled(const LimiterSettling& s, const float* x, int count, std::uint64_t& overFloor) {
    if (const int whole = count / 4 * 4; whole > 0) {
        float low = 0.0f, high = 0.0f;
        if (magnitudeRange(x, whole, low, high) && limiterKeepsGainBetween(s, low, high))
            return limiterSettledFrom(s, x, whole, count, overFloor);
    }
    const __m128d inputGain = _mm_set1_pd(static_cast<double>(s.inputGain));
    const __m128d gainWide = _mm_set1_pd(static_cast<double>(s.gain));
    const __m128 threshold = _mm_set1_ps(s.threshold), floor = _mm_set1_ps(s.holdFloor);
    const __m128 release = _mm_set1_ps(s.releaseFactor);
    const __m128 rest = _mm_set1_ps(1.0f - s.releaseFactor), inverse = _mm_set1_ps(s.inverseFloor);
    const __m128 one = _mm_set1_ps(1.0f), gain = _mm_set1_ps(s.gain);
    const __m128 open = _mm_set1_ps(1.0f - s.gain);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 level = limiterLevels(_mm_loadu_ps(x + i), inputGain, gainWide);
        const __m128 released = _mm_sub_ps(
            one,
            _mm_mul_ps(open, _mm_add_ps(release, _mm_mul_ps(_mm_mul_ps(rest, level), inverse))));
        const __m128 over = _mm_cmpgt_ps(level, floor);
        const __m128 moves = _mm_or_ps(_mm_cmpgt_ps(level, threshold),
                                       _mm_andnot_ps(over, _mm_cmpneq_ps(released, gain)));
        const auto overBits = static_cast<std::uint64_t>(_mm_movemask_ps(over)) << i;
        if (const int moved = _mm_movemask_ps(moves); moved != 0) {
            const int end = i + std::countr_zero(static_cast<unsigned>(moved));
            overFloor |= overBits & ((std::uint64_t{1} << end) - 1);
            return end;
        }
        overFloor |= overBits;
    }
    return limiterSettledFrom(s, x, i, count, overFloor);
}

// All sixteen sections in one group: one pass over the block however many are active.
constexpr KernelTable kSse2{Isa::Sse2, "sse2", 16, &eqGroup, &widener, &limiterSettled};

}  // namespace

const KernelTable* sse2Kernels() {
    return &kSse2;
}

}  // namespace veltra::kernels

#endif
