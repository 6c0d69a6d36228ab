#pragma once

#include <immintrin.h>

namespace veltra::kernels {
// Included by the AVX2 kernel files only; internal linkage for the reason WidenerMix.h gives.
namespace {

// Clears the upper halves of the vector registers (vzeroupper) when an AVX2 entry returns. The
// code around the kernels is compiled for SSE2, and with dirty upper halves the processor makes
// each SSE instruction that writes a register keep that register's upper half, so it waits on
// the register's previous value: on the 2 vCPUs of an AMD EPYC (Zen 4) the widener's limiter,
// which runs right after the AVX2 widener, took twice as long (1,610 against 830 ns for the
// surround stage's 64-frame block). GCC adds the instruction at most exits by itself but had left
// it out of the widener's; every entry now says so itself.
struct Avx2Exit {
    Avx2Exit() = default;
    Avx2Exit(const Avx2Exit&) = delete;
    Avx2Exit& operator=(const Avx2Exit&) = delete;
    ~Avx2Exit() { _mm256_zeroupper(); }
};

}  // namespace
}  // namespace veltra::kernels
