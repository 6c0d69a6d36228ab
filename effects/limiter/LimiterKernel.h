#pragma once

#include <cstdint>
#include <memory>

#include "effects/kernels/KernelTable.h"

namespace veltra {

// Mono look-ahead limiter: a per-sample gain computer (attack, hold, release) whose gain is
// smoothed by a second-order low-pass and applied to the input delayed by D samples.
struct LimiterKernel {
    static constexpr int kParameterCount = 8;

    LimiterKernel(int sampleRate, float maximumLookAheadMs);

    void setParameters(const float* values);  // p0..p7; marks dirty and clears the run state
    void clearRunState();
    void recompute();
    void process(const float* input, float* output, int frames);
    // How far the output lags the input with the current settings: the look-ahead, or nothing in
    // pass-through mode.
    int lookAheadFrames() const;
    // Two channels with their own kernels in one pass; each output equals what process gives.
    static void processPair(LimiterKernel& a, const float* inputA, float* outputA, LimiterKernel& b,
                            const float* inputB, float* outputB, int frames);

    // Two channels run together use the first one's table.
    void useKernels(const kernels::KernelTable& table) { kernels = &table; }

    int sampleRate;
    const kernels::KernelTable* kernels;
    float parameters[kParameterCount] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 8.0f, 500.0f, 16.0f};
    int dirty = 1;
    int mode = 0;
    float inputGain = 1.0f;
    float threshold = 1.0f;
    float holdFloor = 1.0f;
    int holdLength = 0;
    float attackFactor = 0.0f;
    float releaseFactor = 0.0f;
    int delay = 0;
    float gain = 1.0f;
    int holdCounter = 0;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float s1 = 0.0f, s2 = 0.0f;
    std::unique_ptr<float[]> ring;
    int readPosition = 0;
    int writePosition = 0;
    int ringLength;

  private:
    int delayFrames() const;  // the look-ahead the attack time asks for, held to the ring
    // Recomputes when dirty; in pass-through mode copies the block and answers false.
    bool prepareBlock(const float* input, float* output, int frames);
};

}  // namespace veltra
