#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {

#if defined(VELTRA_X86_64)
// The AVX2 table's widener. Built with AVX2 code generation: call it only through that table.
void avx2Widener(WidenerFilters& filters, const WidenerGains& gains, float* left, float* right,
                 int frames);
#endif

}  // namespace veltra::kernels
