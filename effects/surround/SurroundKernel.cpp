#include "effects/surround/SurroundKernel.h"

#include <algorithm>
#include <cmath>

namespace veltra {

namespace {

// flag, side high-pass Hz, d0 .. d4 dB, then the d0 range that intensity 0 .. 100 sweeps.
constexpr float kPresets[5][SurroundKernel::kPresetRow] = {
    {0, 300.0f, -3.0f, -15.0f, 0.0f, -100.0f, 0.0f, -20.0f, -1.0f},
    {0, 300.0f, -10.0f, -15.0f, 0.0f, -100.0f, 5.0f, -28.0f, -8.0f},
    {0, 300.0f, -13.6f, -15.5f, 0.2f, -100.0f, 5.0f, -28.0f, -8.0f},
    {0, 300.0f, -10.0f, -15.0f, -4.0f, 0.0f, 5.0f, -28.0f, -8.0f},
    {0, 300.0f, -16.0f, -15.0f, -10.0f, 0.0f, 0.0f, -34.0f, -14.0f},
};

// Intensity may extrapolate past the range, but only so far that every gain stays finite.
constexpr std::int32_t kMaximumIntensity = 1000;

}  // namespace

const float* SurroundKernel::presetRow(int preset) {
    return kPresets[std::clamp(preset, 0, 4)];
}

SurroundKernel::SurroundKernel(int rate) : sampleRate(rate), widener(rate), limiter(rate) {
    for (int c = 0; c < 2; ++c) {
        workIn[c] = std::make_unique<float[]>(kWorkFrames);
        workOut[c] = std::make_unique<float[]>(kWorkFrames);
    }
    loadPreset(2);
}

void SurroundKernel::restart() {
    const kernels::KernelTable& table = widener.kernelTable();
    widener = StereoWidener(sampleRate);
    widener.useKernels(table);
    limiter.setParameters(SurroundLimiter::defaults());
    std::fill(std::begin(presetValues), std::end(presetValues), 0.0f);
    bypass = 0;
    intensity = 0;
    intensityRange[0] = intensityRange[1] = 0.0f;
    presetNumber = 0;
    loadPreset(2);
}

void SurroundKernel::takeValues(const float* values) {
    std::copy(values, values + StereoWidener::kPresetValues, presetValues);
    widener.load(presetValues);
}

void SurroundKernel::deriveIntensity() {
    const float span = intensityRange[1] - intensityRange[0];
    const float percent = (presetValues[2] - intensityRange[0]) * 100.0f / span;
    // A degenerate or non-finite range has no meaningful position; call it full intensity.
    intensity = std::isfinite(percent) && std::fabs(percent) < 1e6f
                    ? static_cast<std::int32_t>(percent)
                    : 100;
}

void SurroundKernel::loadPreset(int preset) {
    const float* row = presetRow(preset);
    presetNumber = std::clamp(preset, 0, 4);
    takeValues(row);
    intensityRange[0] = row[7];
    intensityRange[1] = row[8];
    deriveIntensity();
}

void SurroundKernel::loadCustom(const float* row) {
    float values[kPresetRow];
    for (int i = 0; i < kPresetRow; ++i) values[i] = std::isfinite(row[i]) ? row[i] : 0.0f;
    presetNumber = -1;
    std::copy(values, values + StereoWidener::kPresetValues, presetValues);
    intensityRange[0] = values[7];
    intensityRange[1] = values[8];
    deriveIntensity();
    takeValues(values);
}

void SurroundKernel::setIntensity(std::int32_t percent) {
    intensity = std::clamp(percent, 1, kMaximumIntensity);
    const float d0 = intensityRange[0] + (intensityRange[1] - intensityRange[0]) *
                                             static_cast<float>(intensity) / 100.0f;
    presetValues[2] = d0;
    widener.setDirectSideGain(d0);
}

void SurroundKernel::process(const float* left, const float* right, float* outLeft, float* outRight,
                             int frames) {
    frames = std::clamp(frames, 0, kWorkFrames);
    std::copy(left, left + frames, workIn[0].get());
    std::copy(right, right + frames, workIn[1].get());
    const float* result[2] = {workIn[0].get(), workIn[1].get()};
    if (bypass == 0) {
        widener.process(workIn[0].get(), workIn[1].get(), frames);
        const float* in[2] = {workIn[0].get(), workIn[1].get()};
        float* out[2] = {workOut[0].get(), workOut[1].get()};
        limiter.process(in, out, 2, frames);
        result[0] = workOut[0].get();
        result[1] = workOut[1].get();
    }
    std::copy(result[0], result[0] + frames, outLeft);
    std::copy(result[1], result[1] + frames, outRight);
}

}  // namespace veltra
