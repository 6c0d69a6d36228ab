#pragma once

#include <complex>
#include <cstdint>
#include <memory>

#include "chain/BlockLayout.h"
#include "effects/kernels/KernelTable.h"

namespace veltra {

// Coefficients and state of a 16-section biquad cascade per channel. Each section is transposed
// direct form II with b0, b1, b2, -a1, -a2 stored already divided by a0.
struct EqFilterBank {
    static constexpr int kBands = static_cast<int>(block::kBands);
    static constexpr int kMaxChannels = 16;
    static constexpr int kParametersPerBand = static_cast<int>(block::kBandWords);
    static constexpr int kCoefficientsPerBand = 5;

    EqFilterBank(int channels, int sampleRate);

    // Five normalised coefficients for one band. Anything the design cannot turn into a stable,
    // finite section (f outside (0, fs/2), Q <= 0 where Q is used, non-finite input or result)
    // becomes a pass-through section.
    static void designBand(float frequency, float gainDb, float q, int type, int sampleRate,
                           float* coefficients);
    // The same design in double precision, without the float rounding of every step: smooth in
    // its inputs, for fitting sections; what the equaliser runs is designBand's.
    static void designBandExact(double frequency, double gainDb, double q, int type, int sampleRate,
                                double* coefficients);
    static double powerGain(const double* coefficients, std::complex<double> z1);
    // |H| of one designed section at `hz`, evaluated in double precision (for reports and fits,
    // not for processing).
    static double magnitude(const float* coefficients, double hz, int sampleRate);
    // |H|^2 at z^-1 = e^(-jw), for callers that evaluate many sections on one grid in dB: the
    // squared norms need no complex division and no square root.
    static double powerGain(const float* coefficients, std::complex<double> z1);

    void setBandParameters(const float* values);  // 64 floats; marks dirty and clears the state
    void clearState();
    void recompute();
    // Filters the first channelCount channels; in-place blocks are fine. Sections that are exactly
    // the identity and hold no state are reduced to the one operation they perform on finite
    // input (adding +0); the result is bit-identical to running every section, which is what a
    // chunk whose output is not finite is redone with.
    void process(const float* const* input, float* const* output, int frames);
    // The kernel table the sections run on; the stream's choice unless a caller sets another.
    void useKernels(const kernels::KernelTable& table);

    int channelCount;  // at most kMaxChannels
    int sampleRate;
    int dirty = 0;
    std::unique_ptr<float[]> bandParameters;
    std::unique_ptr<float[]> coefficients;
    std::unique_ptr<float[]> state;  // two floats per band per channel

  private:
    // Frames per fast-path attempt: as many as the speaker chain hands over in one call (eight
    // 64-frame blocks), so the pipeline fills and drains once per call.
    static constexpr int kChunk = 512;
    static constexpr int kMaxGroups = kBands / 4;  // the narrowest table groups four sections
    using Group = kernels::EqLanes;
    struct Plan {
        Group groups[kMaxGroups];
        int band[kMaxGroups][kernels::kMaxEqLanes] = {};  // each lane's section
        int groupCount = 0;
        bool zeroAfter = false;  // identity sections were skipped after the last active one
        bool skipsAny = false;
    };
    void prepare();  // recomputes a dirty design
    void fold();
    const Plan& plan();
    void cascade(const float* const* input, float* const* output, int frames);
    bool fastChunk(const Plan& plan, const float* const* input, float* const* output, int frames);
    void runGroups(const Plan& plan, const float* const* input, float* const* output, int frames);
    void runGroup(const Plan& plan, int group, int firstChannel, int channels,
                  const float* const* source, float* const* output, int frames);

    float folded_[kBands][kCoefficientsPerBand] = {};
    Plan plan_;
    bool planValid_ = false;
    std::unique_ptr<float[]> savedInput_;  // kMaxChannels x kChunk: the chunk for a fallback run
    std::unique_ptr<float[]> savedState_;  // the state before the chunk, for a fallback run
    const kernels::KernelTable* kernels_;
};

}  // namespace veltra
