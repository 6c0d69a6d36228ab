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
    for (auto& buffer : work) buffer = std::make_unique_for_overwrite<float[]>(kWorkFrames);
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
    // The widener and the limiter work in place on the outputs, unless writing one output would
    // overwrite the other channel's input or output: then on copies in the work buffers.
    const bool direct = outLeft != outRight && outLeft != right && outRight != left;
    float* l = direct ? outLeft : work[0].get();
    float* r = direct ? outRight : work[1].get();
    if (l != left) std::copy(left, left + frames, l);
    if (r != right) std::copy(right, right + frames, r);
    if (bypass == 0) {
        widener.process(l, r, frames);
        const float* in[2] = {l, r};
        float* out[2] = {outLeft, outRight};
        limiter.process(in, out, 2, frames);
    } else if (!direct) {
        std::copy(l, l + frames, outLeft);
        std::copy(r, r + frames, outRight);
    }
}

}  // namespace veltra
