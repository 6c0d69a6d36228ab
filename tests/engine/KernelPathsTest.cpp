#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "effects/kernels/KernelSelection.h"

namespace veltra {
namespace {

// Every path against the scalar one through the whole speaker path is the host checks' test; here
// what happens when a path is asked for that the machine lacks.
TEST(KernelPaths, AMissingPathFallsBackToTheBestAvailableWithOneNotice) {
    kernels::KernelSelection::takeFallbackNotice();  // whatever an earlier test left
    setenv("VELTRA_ISA", "avx512", 1);
    const kernels::KernelTable& chosen = kernels::KernelSelection::choose();
    unsetenv("VELTRA_ISA");
    const kernels::KernelTable* best = kernels::KernelSelection::supported(kernels::Isa::Avx2);
    if (best == nullptr) best = kernels::KernelSelection::supported(kernels::Isa::Sse2);
    if (best == nullptr) best = &kernels::scalarKernels();
    EXPECT_EQ(&chosen, best);
    const char* notice = kernels::KernelSelection::takeFallbackNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_NE(std::string(notice).find("VELTRA_ISA=avx512"), std::string::npos);
    EXPECT_EQ(kernels::KernelSelection::takeFallbackNotice(), nullptr);  // once per process
}

}  // namespace
}  // namespace veltra
