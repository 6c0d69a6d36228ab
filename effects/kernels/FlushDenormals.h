#pragma once

// Denormal handling on the audio thread. Filter tails of silence that follows loud audio decay
// through the denormal range, and on x86 every arithmetic operation on a denormal costs around a
// hundred cycles: measured on the speaker path, fifty times the normal cost of a buffer. For the
// duration of one buffer the thread therefore flushes denormal results to zero (FTZ) and reads
// denormal inputs as zero (DAZ); the caller's mode is restored afterwards, so the audio service's
// own code never sees the change. Only values below about 1.2e-38 are affected.
//
// Used by the processing objects' real-time entry and by the offline host, so that both produce
// the same samples.

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>

namespace veltra::kernels {

class ScopedFlushDenormals {
  public:
    ScopedFlushDenormals() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~ScopedFlushDenormals() { _mm_setcsr(saved_); }
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

  private:
    // MXCSR bits, as the x86 architecture manuals define them.
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
};

}  // namespace veltra::kernels

#else

namespace veltra::kernels {

// Other processors keep their floating-point mode.
class ScopedFlushDenormals {
  public:
    ScopedFlushDenormals() = default;
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;
};

}  // namespace veltra::kernels

#endif
