#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra {

// Per-channel look-ahead peak limiter behind the widener, with a fixed two-pole gain smoother.
class SurroundLimiter {
  public:
    static constexpr int kParameterCount = 8;
    static constexpr int kRingLength = kernels::SurroundLimiterChannel::kRingLength;
    static constexpr int kChannels = 2;
    using Channel = kernels::SurroundLimiterChannel;

    explicit SurroundLimiter(int sampleRate);

    // Clamps q0 .. q7 into their ranges, stores them and prepares both channels from silence.
    void setParameters(const float* values);
    void process(const float* const* input, float* const* output, int channels, int frames);

    // The kernel table the law runs on; the stream's choice unless a caller sets another.
    void useKernels(const kernels::KernelTable& table) { kernels_ = &table; }

    const float* parameters() const { return parameters_; }
    const Channel& channel(int c) const { return channels_[c]; }
    static const float* defaults();

  private:
    void prepare(Channel& channel) const;

    float parameters_[kParameterCount] = {};
    float sampleRate_;
    Channel channels_[kChannels];
    const kernels::KernelTable* kernels_;
};

}  // namespace veltra
