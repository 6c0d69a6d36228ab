#pragma once

#include <cstdint>

// The kernel layer: the only code in the product that uses SIMD instructions. Effects call the
// hot loops through a table of plain functions chosen once per stream (KernelSelection); every
// table computes exactly the scalar table's operations in the scalar table's order per channel,
// so all of them give the same bits.

// The kernels' per-step helpers must be inlined: called, they would take their registers by
// reference through memory, and a store followed by a reload is the slowest thing a recursion
// can do on some CPUs.
#if defined(_MSC_VER)
#define VELTRA_KERNEL_INLINE __forceinline
#else
#define VELTRA_KERNEL_INLINE inline __attribute__((always_inline))
#endif
// Loops over a kernel's registers are unrolled, so every register stays a register.
#if defined(__GNUC__)
#define VELTRA_UNROLL _Pragma("GCC unroll 4")
#else
#define VELTRA_UNROLL
#endif
// The SSE2 and AVX2 tables exist on x86-64 only.
#if defined(__x86_64__) || defined(_M_X64)
#define VELTRA_X86_64 1
#endif

namespace veltra::kernels {

enum class Isa { Scalar, Sse2, Avx2 };

// Widest section group any table takes; a table's own width is KernelTable::eqGroupWidth.
inline constexpr int kMaxEqLanes = 16;

// Up to eqGroupWidth consecutive active equaliser sections, filtered side by side and skewed in
// time (section j works on the sample section j-1 produced one step earlier). Coefficients are
// stored coefficient-major so each row loads as one vector: b0, b1 + c3*b0, b2 + c4*b0, c3, c4.
struct EqLanes {
    int count = 0;
    float k[5][kMaxEqLanes] = {};
    // What each section adds to its input first: +0 where skipped identity sections stood before
    // it, -0 (which changes no value) elsewhere.
    float zero[kMaxEqLanes] = {-0.0f, -0.0f, -0.0f, -0.0f, -0.0f, -0.0f, -0.0f, -0.0f,
                               -0.0f, -0.0f, -0.0f, -0.0f, -0.0f, -0.0f, -0.0f, -0.0f};
    bool anyZero = false;
};

// One channel's state for the sections of a group, lane-major like the coefficients. Not
// initialised: the caller fills every lane of the registers the group occupies (its count
// rounded up to four), since clearing all of it for every block cost more than the copy.
struct EqLaneState {
    float s0[kMaxEqLanes];
    float s1[kMaxEqLanes];
};

// The widener's five fourth-order filters, in the order mid, direct high-pass, direct side,
// second high-pass, second side: coefficients and state as fourthOrderStep takes them.
struct WidenerFilters {
    float coefficients[5][10] = {};
    float state[5][6] = {};
};

// The widener's per-block constants: the mid/side scale, the second path's gain times that
// scale, the side-path and output gains, and the two side paths' gains times sqrt(10) (double,
// as the side signal is scaled in double precision).
struct WidenerGains {
    float scale, secondScale, mix, output;
    double directSide, secondSide;
};

// A look-ahead limiter channel's gain law at its current gain: what a test of which samples leave
// the gain unchanged needs.
struct LimiterSettling {
    float inputGain, threshold, holdFloor, releaseFactor, inverseFloor, gain;
};
inline constexpr int kLimiterScanLength = 64;

struct KernelTable {
    Isa isa;
    const char* name;
    int eqGroupWidth;
    // Runs one group over `frames` samples of one or two channels (states[c], source[c],
    // output[c]); the output may be the source's memory.
    void (*eqGroup)(const EqLanes& lanes, EqLaneState* states, int channels,
                    const float* const* source, float* const* output, int frames);
    // The widener over a stereo block, in place.
    void (*widener)(WidenerFilters& filters, const WidenerGains& gains, float* left, float* right,
                    int frames);
    // How many of the first `count` (at most kLimiterScanLength) samples leave a limiter's gain
    // exactly where it is; bit i of `overFloor` is set for each such sample i over the hold
    // floor (others are left as they were). The limiter needs no gain law for those. Null in
    // the scalar table, which takes every sample through the law: the reference the others
    // are checked against.
    int (*limiterSettled)(const LimiterSettling& settling, const float* x, int count,
                          std::uint64_t& overFloor);
};

const KernelTable& scalarKernels();
#if defined(VELTRA_X86_64)
const KernelTable* sse2Kernels();
const KernelTable* avx2Kernels();
#endif

}  // namespace veltra::kernels
