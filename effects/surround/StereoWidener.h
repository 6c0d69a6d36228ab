#pragma once

#include <array>

#include "effects/kernels/KernelTable.h"
#include "effects/surround/FourthOrderFilter.h"

namespace veltra {

// Mid/side widener. The side signal is high-passed, shaped and mixed back with the mid signal
// twice: once on a direct path and once on a gain-scaled second path.
class StereoWidener {
  public:
    // Preset values: pass-through flag, side high-pass Hz, d0 .. d4 in dB.
    static constexpr int kPresetValues = 7;

    explicit StereoWidener(int sampleRate);

    // Takes new preset values, redesigns the high-pass sets and clears every filter state.
    void load(const float* values);
    // Replaces only the direct side gain d0; filter states are kept.
    void setDirectSideGain(float d0);
    void clearState();
    void process(float* left, float* right, int frames);
    // The kernel table the filters run on; the stream's choice unless a caller sets another.
    void useKernels(const kernels::KernelTable& table) { kernels_ = &table; }
    const kernels::KernelTable& kernelTable() const { return *kernels_; }

    const float* values() const { return values_; }
    // The high-pass set for a rate: 32000 and 44100 have their own, every other rate uses 48000's.
    const float* highPassFor(int sampleRate) const;

    // The five filters in processing order: mid, direct high-pass, direct side, second high-pass,
    // second side.
    std::array<FourthOrderFilter, 5> filters() const;

  private:
    void design();
    // The gains of d0 .. d4 and the mid/side scale, kept from one preset change to the next
    // rather than recomputed (with pow) for every block.
    void updateGains();

    float values_[kPresetValues] = {};
    int sampleRate_;
    float highPass_[3][10] = {};  // 48000, 44100, 32000 Hz
    kernels::WidenerGains gains_{};
    kernels::WidenerFilters filters_;
    const kernels::KernelTable* kernels_;
};

}  // namespace veltra
