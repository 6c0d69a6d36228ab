#pragma once

#include <cstdint>
#include <memory>

#include "effects/surround/StereoWidener.h"
#include "effects/surround/SurroundLimiter.h"

namespace veltra {

// Widener followed by its limiter on two channels, with the preset and intensity bookkeeping.
struct SurroundKernel {
    static constexpr int kWorkFrames = 1024;
    static constexpr int kPresetRow = 9;  // seven preset values, then the intensity range

    explicit SurroundKernel(int sampleRate);

    // Back to the state construction leaves (built-in preset 2, default limiter), keeping the
    // work buffers: no allocation.
    void restart();
    // Copies a built-in row (0 .. 4) into the kernel and the widener and takes its intensity range.
    void loadPreset(int preset);
    // Takes seven custom values and an intensity range of its own.
    void loadCustom(const float* row);
    void setIntensity(std::int32_t percent);
    // Widener filters and limiter back to silence; presets, intensity and settings stay.
    void clearState() {
        widener.clearState();
        limiter.setParameters(limiter.parameters());
    }
    // Runs up to kWorkFrames frames of left/right through widener and limiter (or neither, when
    // bypassed). In place is fine; an output that is another of the buffers goes through copies.
    void process(const float* left, const float* right, float* outLeft, float* outRight,
                 int frames);

    static const float* presetRow(int preset);

    std::uint8_t sampleSize = 32;
    std::uint8_t channelCount = 2;
    std::uint8_t interleaved = 0;
    int sampleRate;
    float presetValues[StereoWidener::kPresetValues] = {};
    std::unique_ptr<float[]> work[2];
    StereoWidener widener;
    SurroundLimiter limiter;
    std::int32_t bypass = 0;
    std::int32_t intensity = 0;
    float intensityRange[2] = {};
    std::int32_t presetNumber = 0;

  private:
    void takeValues(const float* values);
    void deriveIntensity();
};

}  // namespace veltra
