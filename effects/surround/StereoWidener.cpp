#include "effects/surround/StereoWidener.h"

#include <algorithm>
#include <cmath>

#include "effects/kernels/KernelSelection.h"

namespace veltra {

namespace {

// Shaping filters, the same at every rate. The mid filter's sections cancel (numerator equals
// denominator), so the mid path is flat up to rounding.
constexpr float kMid[10] = {1.0f, -1.920229673f, 0.936799228f, 1.920229673f, -0.936799228f,
                            1.0f, -1.804335237f, 0.855605781f, 1.804335237f, -0.855605781f};
constexpr float kDirectSide[10] = {0.961765349f,  -1.870348811f, 0.945225775f,  1.870348811f,
                                   -0.906991124f, 1.161452413f,  -1.722062707f, 0.707510471f,
                                   1.782451391f,  -0.808574259f};
constexpr float kSecondSide[10] = {1.0f,          -1.870348811f, 0.906991124f,  1.870348811f,
                                   -0.906991124f, 1.219387412f,  -1.691761851f, 0.679876387f,
                                   1.782451391f,  -0.808574259f};
constexpr int kRates[3] = {48000, 44100, 32000};
// Where each filter sits in the kernels' filter set.
enum Filter { kMidAt, kDirectHighPassAt, kDirectSideAt, kSecondHighPassAt, kSecondSideAt };

float dbToGain(float dB) {
    return static_cast<float>(std::pow(10.0, static_cast<double>(dB) / 20.0));
}

}  // namespace

StereoWidener::StereoWidener(int sampleRate)
    : sampleRate_(sampleRate), kernels_(&kernels::KernelSelection::active()) {
    for (auto& c : filters_.coefficients) {
        c[0] = c[5] = 1.0f;  // pass-through until a preset is loaded
    }
    updateGains();
}

void StereoWidener::load(const float* values) {
    std::copy(values, values + kPresetValues, values_);
    design();
    updateGains();
    auto& c = filters_.coefficients;
    std::copy(kMid, kMid + 10, c[kMidAt]);
    std::copy(kDirectSide, kDirectSide + 10, c[kDirectSideAt]);
    std::copy(kSecondSide, kSecondSide + 10, c[kSecondSideAt]);
    const float* hp = highPassFor(sampleRate_);
    std::copy(hp, hp + 10, c[kDirectHighPassAt]);
    std::copy(hp, hp + 10, c[kSecondHighPassAt]);
    clearState();
}

void StereoWidener::clearState() {
    for (auto& s : filters_.state) std::fill(s, s + 6, 0.0f);
}

std::array<FourthOrderFilter, 5> StereoWidener::filters() const {
    std::array<FourthOrderFilter, 5> out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::copy(filters_.coefficients[i], filters_.coefficients[i] + 10, out[i].coefficients);
        std::copy(filters_.state[i], filters_.state[i] + 6, out[i].state);
    }
    return out;
}

void StereoWidener::design() {
    const float f = values_[1];
    for (int i = 0; i < 3; ++i) {
        float* set = highPass_[i];
        const float rate = static_cast<float>(kRates[i]);
        // A corner the bilinear design cannot place (0, negative, at or past half the rate, or
        // non-finite) leaves the side path unfiltered instead of producing non-finite output.
        if (!(f > 0.0f && f < 0.5f * rate)) {
            std::fill(set, set + 10, 0.0f);
            set[0] = set[5] = 1.0f;
            continue;
        }
        const float K =
            static_cast<float>(1.0 / std::tan(static_cast<double>(f * 3.1415927f / rate)));
        const float K2 = K * K;
        const float q = K / 0.707f;
        const float n = 1.0f / (q + 1.0f + K2);
        const float section[5] = {n * K2, n * (-2.0f * K2), n * K2, -2.0f * (1.0f - K2) * n,
                                  -(1.0f - q + K2) * n};
        std::copy(section, section + 5, set);
        std::copy(section, section + 5, set + 5);
    }
}

const float* StereoWidener::highPassFor(int sampleRate) const {
    if (sampleRate == 32000) return highPass_[2];
    if (sampleRate == 44100) return highPass_[1];
    return highPass_[0];
}

void StereoWidener::updateGains() {
    const float scale = static_cast<float>(std::pow(10.0, -1.175));
    float g[5];
    for (int i = 0; i < 5; ++i) g[i] = dbToGain(values_[2 + i]);
    const double root10 = std::sqrt(10.0);
    // g * sqrt(10) * h is evaluated left to right in double: folding the first product here
    // changes no bit.
    gains_ = {scale, g[1] * scale, g[3], g[4], g[0] * root10, g[2] * root10};
}

void StereoWidener::setDirectSideGain(float d0) {
    values_[2] = d0;
    updateGains();
}

void StereoWidener::process(float* left, float* right, int frames) {
    if (values_[0] != 0.0f) return;  // pass-through: the buffers already hold the input
    kernels_->widener(filters_, gains_, left, right, frames);
}

}  // namespace veltra
