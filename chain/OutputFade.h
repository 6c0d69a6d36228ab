#pragma once

#include <cstdint>

#include "effects/kernels/Scale.h"

namespace veltra {

// The playback chain's output fade: on a switch of the enhancement group the output ramps from
// full level to silence, the group is switched at silence, and the output ramps back up.
class OutputFade {
  public:
    // 10 per second: 100 ms down to silence, 100 ms back up.
    static constexpr float kRate = 10.0f;

    void start() {
        gain_ = 1.0f;
        rate_ = -kRate;
    }

    // output[c][f] = gain * input[c][f] for every channel and frame, the gain stepping once per
    // frame while a fade runs; atSilence() is called at the frame where the gain reaches 0.
    template <typename AtSilence>
    void apply(float* const* input, float* const* output, int channels, int frames,
               std::uint32_t sampleRate, AtSilence atSilence) {
        if (rate_ == 0.0f) {
            // No fade in progress: one constant factor, one multiply per sample per channel.
            for (int c = 0; c < channels; ++c) kernels::scale(input[c], output[c], gain_, frames);
            return;
        }
        // A rate of 0 would make the step infinite; such a chain fades as if it ran at 48000 Hz.
        const float step = 1.0f / static_cast<float>(sampleRate != 0 ? sampleRate : 48000u);
        for (int f = 0; f < frames; ++f) {
            if (rate_ != 0.0f) {
                gain_ = gain_ + step * rate_;
                if (gain_ < 0.0f) {
                    gain_ = 0.0f;
                    rate_ = -rate_;
                    atSilence();
                } else if (gain_ > 1.0f) {
                    gain_ = 1.0f;
                    rate_ = 0.0f;
                }
            }
            for (int c = 0; c < channels; ++c) output[c][f] = gain_ * input[c][f];
        }
    }

    float gain() const { return gain_; }
    float rate() const { return rate_; }

  private:
    float rate_ = 0.0f;  // change of the gain per second; 0 while no fade runs
    float gain_ = 1.0f;
};

}  // namespace veltra
