#pragma once

#include <cstdio>
#include <vector>

#include "effects/kernels/KernelSelection.h"

namespace veltra::testing {

// Every kernel table this build and this machine can run, scalar first; the ones it cannot are
// named on standard output, so a run that skipped a path says so.
inline std::vector<const kernels::KernelTable*> kernelPaths() {
    std::vector<const kernels::KernelTable*> paths;
    for (auto isa : {kernels::Isa::Scalar, kernels::Isa::Sse2, kernels::Isa::Avx2}) {
        if (const kernels::KernelTable* table = kernels::KernelSelection::supported(isa)) {
            paths.push_back(table);
        } else {
            std::printf("kernel path %d not supported here: not tested\n", static_cast<int>(isa));
        }
    }
    return paths;
}

}  // namespace veltra::testing
