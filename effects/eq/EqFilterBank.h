#pragma once

#include <cstdint>
#include <memory>

namespace veltra {

// Coefficients and state of a 16-section biquad cascade per channel. Each section is transposed
// direct form II with b0, b1, b2, -a1, -a2 stored already divided by a0.
struct EqFilterBank {
    static constexpr int kBands = 16;
    static constexpr int kMaxChannels = 16;
    static constexpr int kParametersPerBand = 4;  // frequency Hz, gain dB, Q, type code
    static constexpr int kCoefficientsPerBand = 5;

    EqFilterBank(int channels, int sampleRate);

    // Five normalised coefficients for one band. Anything the design cannot turn into a stable,
    // finite section (f outside (0, fs/2), Q <= 0 where Q is used, non-finite input or result)
    // becomes a pass-through section.
    static void designBand(float frequency, float gainDb, float q, int type, int sampleRate,
                           float* coefficients);

    void setBandParameters(const float* values);  // 64 floats; marks dirty and clears the state
    void clearState();
    void recompute();
    // Filters the first channelCount channels; in-place blocks are fine.
    void process(const float* const* input, float* const* output, int frames);

    int channelCount;  // at most kMaxChannels
    int sampleRate;
    int dirty = 0;
    std::unique_ptr<float[]> bandParameters;
    std::unique_ptr<float[]> coefficients;
    std::unique_ptr<float[]> state;  // two floats per band per channel
};

}  // namespace veltra
