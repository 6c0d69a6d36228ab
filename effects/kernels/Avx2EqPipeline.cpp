// The AVX2 table's equaliser: up to sixteen sections of a channel pair as a pipeline of
// registers (KernelTable::eqGroup). Built with AVX2 code generation like Avx2Kernels.cpp, and
// for the same reason it uses no library code: an AVX2-compiled copy of a shared inline
// function could be the one the rest of the module ends up calling.
#include "effects/kernels/Avx2EqPipeline.h"

#include "effects/kernels/RegisterCount.h"

#if defined(VELTRA_X86_64)
#include <immintrin.h>

#include "effects/kernels/Avx2Exit.h"

namespace veltra::kernels {

namespace {

// Register r holds sections 4r .. 4r + 3 of the left channel in its low half and of the right
// channel in its high half. Every move a step needs then stays inside a 128-bit half (one
// cycle), where a shift across the whole register costs several times that on some CPUs and
// would sit on the recursion's critical path.
VELTRA_KERNEL_INLINE __m256 halves(const float* low, const float* high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(low)), _mm_loadu_ps(high), 1);
}

// Section j works on the sample of step t - kSkew * j: it takes what section j - 1 produced two
// steps earlier rather than one. The lane shift, the multiply and the add that pass a value up
// then span two steps, so each step waits only on the sections' own recursions (6 cycles) and
// the registers' steps overlap; with one step between sections the shift sat on every step's
// chain and the bank ran at about twice its throughput bound. The pipeline fills and drains
// for twice as many steps, which a 64-frame block repays several times over.
constexpr int kSkew = 2;

struct Coefficients {
    __m256 k0, k1, k2, k3, k4, zero;
    __m256i start;  // the step at which each lane's section takes the block's first sample

    static Coefficients load(const EqLanes& g, int r) {
        const int at = 4 * r;
        constexpr int s = kSkew;
        return {halves(g.k[0] + at, g.k[0] + at),
                halves(g.k[1] + at, g.k[1] + at),
                halves(g.k[2] + at, g.k[2] + at),
                halves(g.k[3] + at, g.k[3] + at),
                halves(g.k[4] + at, g.k[4] + at),
                halves(g.zero + at, g.zero + at),
                _mm256_set_epi32(s * (at + 3), s * (at + 2), s * (at + 1), s * at, s * (at + 3),
                                 s * (at + 2), s * (at + 1), s * at)};
    }
};

struct Chain {
    __m256 y, older, s0, s1;  // the sections' outputs of the last two steps, and their state
};

VELTRA_KERNEL_INLINE __m256 pair(float low, float high) {  // each value in all of its half
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_set1_ps(low)), _mm_set1_ps(high), 1);
}

// Lane j of each half takes lane j - 1 of `y`, lane 0 takes lane 3 of `below`.
VELTRA_KERNEL_INLINE __m256 alignUp(__m256 y, __m256 below) {
    return _mm256_castsi256_ps(
        _mm256_alignr_epi8(_mm256_castps_si256(y), _mm256_castps_si256(below), 12));
}

template <bool AddZero, bool Masked>
VELTRA_KERNEL_INLINE void filter(const Coefficients& k, Chain& c, __m256 x, __m256 valid) {
    if constexpr (AddZero) x = _mm256_add_ps(x, k.zero);
    c.older = c.y;
    c.y = _mm256_add_ps(_mm256_mul_ps(k.k0, x), c.s0);
    const __m256 n0 =
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(k.k1, x), c.s1), _mm256_mul_ps(k.k3, c.s0));
    const __m256 n1 = _mm256_add_ps(_mm256_mul_ps(k.k2, x), _mm256_mul_ps(k.k4, c.s0));
    if constexpr (Masked) {
        c.s0 = _mm256_blendv_ps(c.s0, n0, valid);
        c.s1 = _mm256_blendv_ps(c.s1, n1, valid);
    } else {
        c.s0 = n0;
        c.s1 = n1;
    }
}

// A group of up to 4 * Regs sections of one channel pair (a mono channel fills both halves).
// Lanes past the group compute values nobody reads.
template <int Regs, bool AddZero>
class Pipeline {
  public:
    Pipeline(const EqLanes& g, const EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames)
        : lastSection_(g.count - 1),
          lag_(kSkew * lastSection_),
          frames_(frames),
          stereo_(channels == 2),
          in0_(source[0]),
          in1_(source[channels - 1]),
          out0_(output[0]),
          out1_(output[channels - 1]),
          outLane_(_mm256_set1_epi32(lastSection_ % 4)) {
        const int last = channels - 1;
        VELTRA_UNROLL
        for (int r = 0; r < Regs; ++r) {
            k_[r] = Coefficients::load(g, r);
            c_[r] = {_mm256_setzero_ps(), _mm256_setzero_ps(),
                     halves(states[0].s0 + 4 * r, states[last].s0 + 4 * r),
                     halves(states[0].s1 + 4 * r, states[last].s1 + 4 * r)};
        }
    }

    // The whole block. While the pipeline fills, the registers above the highest started lane
    // have nothing to do; while it drains, those below the lowest unfinished one. Both only pass
    // their outputs on, and the one register at the edge keeps its idle lanes' state by a mask.
    void run() {
        int t = 0;
        if (frames_ >= lag_) {
            fill<1>(t);
        } else {  // a block shorter than the pipeline: it fills and drains at once
            for (; t < lag_; ++t) step<Edge::Both, 0, Regs>(t < frames_ ? input(t) : zero(), t);
        }
        for (; t < frames_; ++t) {
            step<Edge::None, 0, Regs>(input(t), t);
            emit(t);
        }
        drain<0>(t > lag_ ? t : lag_);
    }

    void store(EqLaneState* states) const {
        VELTRA_UNROLL
        for (int r = 0; r < Regs; ++r) {
            float s0[8], s1[8];
            _mm256_storeu_ps(s0, c_[r].s0);
            _mm256_storeu_ps(s1, c_[r].s1);
            for (int ch = 0; ch <= (stereo_ ? 1 : 0); ++ch) {
                for (int j = 0; j < 4; ++j) {
                    states[ch].s0[4 * r + j] = s0[4 * ch + j];
                    states[ch].s1[4 * r + j] = s1[4 * ch + j];
                }
            }
        }
    }

  private:
    // Which lanes of a step hold a real sample: those whose start lies in [t - frames + 1, t].
    enum class Edge { None, Filling, Draining, Both };

    __m256 input(int t) const { return pair(in0_[t], in1_[t]); }
    static __m256 zero() { return _mm256_setzero_ps(); }

    // Registers [Lo, Hi) step; the others only pass their outputs on. Filling, register Hi - 1
    // holds lanes not yet started; draining, register Lo holds lanes already finished.
    template <Edge E, int Lo, int Hi>
    VELTRA_KERNEL_INLINE void step(__m256 in, int t) {
        // One byte-align per register moves every lane up and brings in lane 3 of the register
        // below (for the first register: of `in`, which holds the new samples in lane 3 of
        // each half).
        __m256 x[Regs];
        x[0] = alignUp(c_[0].older, in);
        VELTRA_UNROLL
        for (int r = 1; r < Regs; ++r) x[r] = alignUp(c_[r].older, c_[r - 1].older);
        const __m256i early = _mm256_set1_epi32(t - frames_), late = _mm256_set1_epi32(t + 1);
        VELTRA_UNROLL
        for (int r = 0; r < Regs; ++r) {
            if (r < Lo || r >= Hi) {
                c_[r].older = c_[r].y;
            } else if (E == Edge::Filling && r == Hi - 1) {
                filter<AddZero, true>(k_[r], c_[r], x[r],
                                      _mm256_castsi256_ps(_mm256_cmpgt_epi32(late, k_[r].start)));
            } else if (E == Edge::Draining && r == Lo) {
                filter<AddZero, true>(k_[r], c_[r], x[r],
                                      _mm256_castsi256_ps(_mm256_cmpgt_epi32(k_[r].start, early)));
            } else if (E == Edge::Both) {
                const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(k_[r].start, early),
                                                        _mm256_cmpgt_epi32(late, k_[r].start));
                filter<AddZero, true>(k_[r], c_[r], x[r], _mm256_castsi256_ps(inside));
            } else {
                filter<AddZero, false>(k_[r], c_[r], x[r], zero());
            }
        }
    }

    // Filling with registers [0, Active) started: register Active starts at its first lane's start.
    template <int Active>
    void fill(int& t) {
        const int end = kSkew * 4 * Active < lag_ ? kSkew * 4 * Active : lag_;
        for (; t < end; ++t) step<Edge::Filling, 0, Active>(input(t), t);
        if constexpr (Active < Regs) fill<Active + 1>(t);
    }

    // Draining with registers [0, Done) finished: register Done finishes with its last lane.
    template <int Done>
    void drain(int t) {
        const int end = frames_ + lag_;
        const int finished = kSkew * (4 * Done + 3) + frames_;
        const int until = Done + 1 < Regs && finished < end ? finished : end;
        for (; t < until; ++t) {
            step<Edge::Draining, Done, Regs>(zero(), t);
            emit(t);
        }
        if constexpr (Done + 1 < Regs) drain<Done + 1>(t);
    }

    // The last section's output of this step: lane lastSection % 4 of each half of the top
    // register, which always holds the last section (a group of Regs registers has more than
    // 4 * (Regs - 1) sections).
    VELTRA_KERNEL_INLINE void emit(int t) {
        const __m256 y = _mm256_permutevar_ps(c_[Regs - 1].y, outLane_);  // within each half
        out0_[t - lag_] = _mm256_cvtss_f32(y);
        if (stereo_) out1_[t - lag_] = _mm_cvtss_f32(_mm256_extractf128_ps(y, 1));
    }

    const int lastSection_, lag_, frames_;
    const bool stereo_;
    const float* const in0_;
    const float* const in1_;
    float* const out0_;
    float* const out1_;
    const __m256i outLane_;
    Coefficients k_[Regs];
    Chain c_[Regs];
};

template <int Regs, bool AddZero>
void runPair(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames) {
    Pipeline<Regs, AddZero> pipeline(g, states, channels, source, output, frames);
    pipeline.run();
    pipeline.store(states);
}

template <int Regs>
void runRegs(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames) {
    if (g.anyZero) return runPair<Regs, true>(g, states, channels, source, output, frames);
    runPair<Regs, false>(g, states, channels, source, output, frames);
}

}  // namespace

void avx2EqGroup(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
                 float* const* output, int frames) {
    const Avx2Exit clearOnReturn;
    byRegisterCount(g.count, [&](auto regs) {
        constexpr int kRegs = decltype(regs)::value;
        runRegs<kRegs>(g, states, channels, source, output, frames);
    });
}

}  // namespace veltra::kernels

#endif
