#include "effects/eq/EqFilterBank.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "effects/eq/SectionDesign.h"
#include "effects/kernels/FiniteCheck.h"
#include "effects/kernels/KernelSelection.h"
#include "effects/kernels/PositiveZero.h"
#include "effects/kernels/ScalarSteps.h"

namespace veltra {

namespace {

constexpr int kStride = 2 * EqFilterBank::kBands;

}  // namespace

EqFilterBank::EqFilterBank(int channels, int rate)
    : channelCount(std::clamp(channels, 0, kMaxChannels)),
      sampleRate(rate),
      bandParameters(std::make_unique<float[]>(kBands * kParametersPerBand)),
      coefficients(std::make_unique<float[]>(kBands * kCoefficientsPerBand)),
      state(std::make_unique<float[]>(static_cast<std::size_t>(kMaxChannels) * kStride)),
      // Scratch that a fallback run writes before it reads.
      savedInput_(
          std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(kMaxChannels) * kChunk)),
      savedState_(std::make_unique<float[]>(static_cast<std::size_t>(kMaxChannels) * kStride)),
      kernels_(&kernels::KernelSelection::active()) {
    for (int b = 0; b < kBands; ++b) eq::passThrough(&coefficients[b * kCoefficientsPerBand]);
    fold();
}

double EqFilterBank::magnitude(const float* c, double hz, int rate) {
    return std::sqrt(powerGain(c, std::polar(1.0, -2.0 * std::numbers::pi * hz / rate)));
}

double EqFilterBank::powerGain(const float* c, std::complex<double> z1) {
    const auto num = double(c[0]) + double(c[1]) * z1 + double(c[2]) * z1 * z1;
    const auto den = 1.0 - double(c[3]) * z1 - double(c[4]) * z1 * z1;
    return std::norm(num) / std::norm(den);
}

void EqFilterBank::designBand(float f, float gain, float q, int type, int rate, float* out) {
    eq::designSection(f, gain, q, type, rate, out);
}

void EqFilterBank::designBandExact(double f, double gain, double q, int type, int rate,
                                   double* out) {
    eq::designSection(f, gain, q, type, rate, out);
}

double EqFilterBank::powerGain(const double* c, std::complex<double> z1) {
    const auto num = c[0] + c[1] * z1 + c[2] * z1 * z1;
    const auto den = 1.0 - c[3] * z1 - c[4] * z1 * z1;
    return std::norm(num) / std::norm(den);
}

void EqFilterBank::setBandParameters(const float* values) {
    std::copy(values, values + kBands * kParametersPerBand, bandParameters.get());
    dirty = 1;
    clearState();
}

void EqFilterBank::clearState() {
    std::fill(state.get(), state.get() + static_cast<std::size_t>(kMaxChannels) * kStride, 0.0f);
    planValid_ = false;
}

void EqFilterBank::recompute() {
    for (int b = 0; b < kBands; ++b) {
        const float* p = &bandParameters[b * kParametersPerBand];
        // The type code travels as a float; truncation toward zero reads 11.9 as 11. Codes beyond
        // the int range are out of the table anyway and pass through.
        const float code = p[block::kBandType];
        const int type = (code > -1000.0f && code < 1000.0f) ? static_cast<int>(code) : 0;
        designBand(p[block::kBandFrequency], p[block::kBandGain], p[block::kBandQ], type,
                   sampleRate, &coefficients[b * kCoefficientsPerBand]);
    }
    fold();
    clearState();
}

namespace {

bool isIdentity(const float* k) {
    return k[0] == 1.0f && k[1] == 0.0f && k[2] == 0.0f && k[3] == 0.0f && k[4] == 0.0f;
}

bool isPositiveZero(float v) {
    return v == 0.0f && !std::signbit(v);
}

}  // namespace

void EqFilterBank::useKernels(const kernels::KernelTable& table) {
    kernels_ = &table;
    planValid_ = false;  // the group width may differ
}

void EqFilterBank::prepare() {
    if (dirty == 1) {
        dirty = 0;
        recompute();
    }
}

void EqFilterBank::fold() {
    // b1 + c3*b0 and b2 + c4*b0 are the same single products and sums the per-sample form
    // evaluates, so folding them once per design changes no bit.
    for (int b = 0; b < kBands; ++b) {
        const float* c = &coefficients[b * kCoefficientsPerBand];
        folded_[b][0] = c[0];
        folded_[b][1] = c[1] + c[3] * c[0];
        folded_[b][2] = c[2] + c[4] * c[0];
        folded_[b][3] = c[3];
        folded_[b][4] = c[4];
    }
    planValid_ = false;
}

// An identity section with state +0, +0 maps a finite x to 1*x + 0 = x + 0 and leaves its state
// at +0, so on finite input it is exactly "add +0"; several in a row are one such add.
// Kept until the design, a state reset or a full-cascade fallback changes what is skippable: on
// the fast path an identity section's state never leaves +0.
const EqFilterBank::Plan& EqFilterBank::plan() {
    if (planValid_) return plan_;
    planValid_ = true;
    Plan& p = plan_;
    p = Plan{};
    bool pendingZero = false;
    for (int b = 0; b < kBands; ++b) {
        bool skip = isIdentity(folded_[b]);
        for (int ch = 0; skip && ch < channelCount; ++ch) {
            const float* s = &state[static_cast<std::size_t>(ch) * kStride + 2 * b];
            skip = isPositiveZero(s[0]) && isPositiveZero(s[1]);
        }
        if (skip) {
            pendingZero = true;
            p.skipsAny = true;
            continue;
        }
        if (p.groupCount == 0 || p.groups[p.groupCount - 1].count == kernels_->eqGroupWidth)
            ++p.groupCount;
        Group& g = p.groups[p.groupCount - 1];
        const int lane = g.count++;
        p.band[p.groupCount - 1][lane] = b;
        for (int i = 0; i < kCoefficientsPerBand; ++i) g.k[i][lane] = folded_[b][i];
        if (pendingZero) {
            g.zero[lane] = 0.0f;
            g.anyZero = true;
        }
        pendingZero = false;
    }
    p.zeroAfter = pendingZero;
    return p;
}

void EqFilterBank::process(const float* const* input, float* const* output, int frames) {
    prepare();
    for (int offset = 0; offset < frames; offset += kChunk) {
        const int n = std::min(kChunk, frames - offset);
        const float* in[kMaxChannels];
        float* out[kMaxChannels];
        for (int ch = 0; ch < channelCount; ++ch) {
            in[ch] = input[ch] + offset;
            out[ch] = output[ch] + offset;
        }
        const Plan& p = plan();
        if (!p.skipsAny) {
            // Every section runs, so the groups perform exactly the full cascade's operations.
            runGroups(p, in, out, n);
            continue;
        }
        // A fallback run needs the chunk's input as it was: in place, it is kept aside first.
        bool inPlace = false;
        for (int ch = 0; ch < channelCount; ++ch) inPlace = inPlace || in[ch] == out[ch];
        if (inPlace) {
            for (int ch = 0; ch < channelCount; ++ch) {
                float* copy = &savedInput_[std::size_t(ch) * kChunk];
                std::copy(in[ch], in[ch] + n, copy);
                in[ch] = copy;
            }
        }
        if (!fastChunk(p, in, out, n)) {
            // A non-finite value met a skipped section: redo the chunk in full from the input
            // and the saved state, so that section's state is poisoned exactly as in the full run.
            std::copy(savedState_.get(), savedState_.get() + std::size_t(channelCount) * kStride,
                      state.get());
            cascade(in, out, n);
            planValid_ = false;  // a skipped section's state may now be poisoned
        }
    }
}

void EqFilterBank::cascade(const float* const* input, float* const* output, int frames) {
    for (int ch = 0; ch < channelCount; ++ch) {
        float* s = &state[static_cast<std::size_t>(ch) * kStride];
        const float* in = input[ch];
        float* out = output[ch];
        for (int n = 0; n < frames; ++n) {
            float x = in[n];
            for (int b = 0; b < kBands; ++b) {
                const float* k = folded_[b];
                x = kernels::eqSection(k[0], k[1], k[2], k[3], k[4], s[2 * b], s[2 * b + 1], x);
            }
            out[n] = x;
        }
    }
}

void EqFilterBank::runGroup(const Plan& p, int group, int firstChannel, int channels,
                            const float* const* source, float* const* output, int frames) {
    const Group& g = p.groups[group];
    const int* band = p.band[group];
    kernels::EqLaneState lanes[2];
    const int width = std::min((g.count + 3) / 4 * 4, kernels::kMaxEqLanes);
    for (int c = 0; c < channels; ++c) {
        const float* state0 = &state[std::size_t(firstChannel + c) * kStride];
        for (int j = 0; j < g.count; ++j) {
            lanes[c].s0[j] = state0[2 * band[j]];
            lanes[c].s1[j] = state0[2 * band[j] + 1];
        }
        std::fill(lanes[c].s0 + g.count, lanes[c].s0 + width, 0.0f);
        std::fill(lanes[c].s1 + g.count, lanes[c].s1 + width, 0.0f);
    }
    kernels_->eqGroup(g, lanes, channels, source + firstChannel, output + firstChannel, frames);
    for (int c = 0; c < channels; ++c) {
        float* state0 = &state[std::size_t(firstChannel + c) * kStride];
        for (int j = 0; j < g.count; ++j) {
            state0[2 * band[j]] = lanes[c].s0[j];
            state0[2 * band[j] + 1] = lanes[c].s1[j];
        }
    }
}

// The first group reads the input (never the output's memory), every later one works in place
// on the output; channels go through in pairs.
void EqFilterBank::runGroups(const Plan& p, const float* const* input, float* const* output,
                             int frames) {
    if (p.groupCount == 0) {
        for (int ch = 0; ch < channelCount; ++ch) {
            if (input[ch] != output[ch]) std::copy(input[ch], input[ch] + frames, output[ch]);
        }
    }
    for (int gi = 0; gi < p.groupCount; ++gi) {
        const float* const* source = gi == 0 ? input : output;
        for (int ch = 0; ch < channelCount; ch += 2)
            runGroup(p, gi, ch, std::min(2, channelCount - ch), source, output, frames);
    }
}

bool EqFilterBank::fastChunk(const Plan& p, const float* const* input, float* const* output,
                             int frames) {
    std::copy(state.get(), state.get() + std::size_t(channelCount) * kStride, savedState_.get());
    runGroups(p, input, output, frames);
    bool finite = true;
    for (int ch = 0; ch < channelCount; ++ch) {
        float* out = output[ch];
        if (p.zeroAfter) kernels::addPositiveZero(out, frames);
        finite = finite && kernels::allFinite(out, frames);
    }
    return finite;
}

}  // namespace veltra
