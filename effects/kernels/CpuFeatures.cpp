#include "effects/kernels/CpuFeatures.h"

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <intrin.h>
#define VELTRA_CPUID_MSVC 1
#elif defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define VELTRA_CPUID_GNU 1
#endif

namespace veltra::kernels {

namespace {

struct Registers {
    unsigned a = 0, b = 0, c = 0, d = 0;
};

#if defined(VELTRA_CPUID_MSVC)
Registers cpuid(unsigned leaf, unsigned subleaf) {
    int r[4] = {};
    __cpuidex(r, static_cast<int>(leaf), static_cast<int>(subleaf));
    return {unsigned(r[0]), unsigned(r[1]), unsigned(r[2]), unsigned(r[3])};
}
unsigned long long enabledRegisterState() {
    return _xgetbv(0);
}
#elif defined(VELTRA_CPUID_GNU)
Registers cpuid(unsigned leaf, unsigned subleaf) {
    Registers r;
    if (static_cast<unsigned>(__get_cpuid_max(0, nullptr)) < leaf) return r;
    __cpuid_count(leaf, subleaf, r.a, r.b, r.c, r.d);
    return r;
}
unsigned long long enabledRegisterState() {
    unsigned low = 0, high = 0;
    // xgetbv by its encoding: the mnemonic would need the XSAVE target flag.
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<unsigned long long>(high) << 32) | low;
}
#endif

bool detectAvx2() {
#if defined(VELTRA_CPUID_MSVC) || defined(VELTRA_CPUID_GNU)
    constexpr unsigned kOsXsave = 1u << 27, kAvx = 1u << 28, kAvx2 = 1u << 5;
    constexpr unsigned long long kSseAndAvxState = 0x6;  // XMM and YMM registers saved
    const Registers basic = cpuid(1, 0);
    if ((basic.c & kOsXsave) == 0 || (basic.c & kAvx) == 0) return false;
    if ((enabledRegisterState() & kSseAndAvxState) != kSseAndAvxState) return false;
    return (cpuid(7, 0).b & kAvx2) != 0;
#else
    return false;
#endif
}

}  // namespace

// Asked once per process: the answer cannot change while it runs, and under a hypervisor that
// intercepts CPUID each of its four calls leaves the virtual machine, which made the question a
// noticeable part of building an engine.
bool CpuFeatures::hasAvx2() {
    static const bool avx2 = detectAvx2();
    return avx2;
}

}  // namespace veltra::kernels
