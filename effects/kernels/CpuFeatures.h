#pragma once

namespace veltra::kernels {

// What the processor and the operating system let this process use.
class CpuFeatures {
  public:
    // AVX2 instructions exist and the operating system saves the 256-bit registers on a
    // context switch (without the latter, AVX code would corrupt other threads' state).
    static bool hasAvx2();
};

}  // namespace veltra::kernels
