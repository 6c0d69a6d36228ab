#include "effects/kernels/KernelSelection.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/kernels/CpuFeatures.h"

namespace veltra::kernels {

namespace {

std::atomic<const KernelTable*> gActive{nullptr};
std::atomic<int> gNotice{0};  // 0 none yet, 1 waiting to be taken, 2 taken
char gNoticeText[160] = {};

const char* requestedIsa() {
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // read once per stream start, never concurrently written
#endif
    return std::getenv("VELTRA_ISA");
}

const KernelTable& best() {
    if (const KernelTable* t = KernelSelection::supported(Isa::Avx2)) return *t;
    if (const KernelTable* t = KernelSelection::supported(Isa::Sse2)) return *t;
    return scalarKernels();
}

void noteFallback(const char* requested, const KernelTable& used) {
    int expected = 0;
    if (!gNotice.compare_exchange_strong(expected, -1)) return;
    std::snprintf(gNoticeText, sizeof gNoticeText,
                  "VELTRA_ISA=%.64s names no kernel path this CPU can run; using %s", requested,
                  used.name);
    gNotice.store(1);
}

}  // namespace

const KernelTable* KernelSelection::supported(Isa isa) {
    switch (isa) {
        case Isa::Scalar:
            return &scalarKernels();
#if defined(VELTRA_X86_64)
        case Isa::Sse2:
            return sse2Kernels();
        case Isa::Avx2:
            return CpuFeatures::hasAvx2() ? avx2Kernels() : nullptr;
#else
        case Isa::Sse2:
        case Isa::Avx2:
            break;
#endif
    }
    return nullptr;
}

const KernelTable& KernelSelection::choose() {
    const KernelTable* chosen = &best();
    if (const char* requested = requestedIsa(); requested != nullptr && *requested != '\0') {
        const KernelTable* named = nullptr;
        if (std::strcmp(requested, "scalar") == 0) named = supported(Isa::Scalar);
        if (std::strcmp(requested, "sse2") == 0) named = supported(Isa::Sse2);
        if (std::strcmp(requested, "avx2") == 0) named = supported(Isa::Avx2);
        if (named != nullptr) {
            chosen = named;
        } else {
            noteFallback(requested, *chosen);
        }
    }
    gActive.store(chosen);
    return *chosen;
}

const KernelTable& KernelSelection::active() {
    const KernelTable* table = gActive.load();
    return table != nullptr ? *table : choose();
}

const char* KernelSelection::takeFallbackNotice() {
    int expected = 1;
    return gNotice.compare_exchange_strong(expected, 2) ? gNoticeText : nullptr;
}

}  // namespace veltra::kernels
