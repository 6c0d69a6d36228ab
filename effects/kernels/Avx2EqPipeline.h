#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {

#if defined(VELTRA_X86_64)
// The AVX2 table's eqGroup. Built with AVX2 code generation: call it only through that table.
void avx2EqGroup(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
                 float* const* output, int frames);
#endif

}  // namespace veltra::kernels
