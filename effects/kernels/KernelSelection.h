#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {

// Which kernel table the streams use. A stream's start (an engine being built) calls choose();
// the effects built for it then take active(). The choice is the best table the CPU supports,
// or the one VELTRA_ISA (scalar, sse2, avx2) names; a named table the CPU lacks falls back to
// the best one it has, and the first such fallback leaves a notice.
class KernelSelection {
  public:
    static const KernelTable& choose();
    static const KernelTable& active();
    // The table for `isa` if this build and CPU can run it, else null.
    static const KernelTable* supported(Isa isa);
    // The text of the first fallback, once per process; null otherwise.
    static const char* takeFallbackNotice();
};

}  // namespace veltra::kernels
