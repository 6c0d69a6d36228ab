#include "effects/surround/StereoWidener.h"

#include <algorithm>
#include <cmath>

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

float dbToGain(float dB) {
    return static_cast<float>(std::pow(10.0, static_cast<double>(dB) / 20.0));
}

}  // namespace

void StereoWidener::load(const float* values) {
    std::copy(values, values + kPresetValues, values_);
    design();
    updateGains();
    std::copy(kMid, kMid + 10, mid_.coefficients);
    std::copy(kDirectSide, kDirectSide + 10, directSide_.coefficients);
    std::copy(kSecondSide, kSecondSide + 10, secondSide_.coefficients);
    const float* hp = highPassFor(sampleRate_);
    std::copy(hp, hp + 10, directHighPass_.coefficients);
    std::copy(hp, hp + 10, secondHighPass_.coefficients);
    clearState();
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
    scale_ = static_cast<float>(std::pow(10.0, -1.175));
    for (int i = 0; i < 5; ++i) gains_[i] = dbToGain(values_[2 + i]);
}

void StereoWidener::setDirectSideGain(float d0) {
    values_[2] = d0;
    updateGains();
}

void StereoWidener::process(float* left, float* right, int frames) {
    if (values_[0] != 0.0f) return;  // pass-through: the buffers already hold the input
    const float s = scale_;
    const float g0 = gains_[0], g1 = gains_[1], g2 = gains_[2], g3 = gains_[3], g4 = gains_[4];
    const double root10 = std::sqrt(10.0);
    const float g1s = g1 * s;
    // The filters run on local copies for the block: their state then lives in registers and
    // the stack instead of memory the output writes might alias.
    FourthOrderFilter mid = mid_, directHighPass = directHighPass_, directSide = directSide_;
    FourthOrderFilter secondHighPass = secondHighPass_, secondSide = secondSide_;
    for (int n = 0; n < frames; ++n) {
        const float l = left[n];
        const float r = right[n];
        const float m1 = mid.step(s * l + s * r);
        const float h1 = directHighPass.step(s * l - s * r);
        const float s1 = directSide.step(static_cast<float>(g0 * root10 * h1));
        const float m2 = g1s * l + g1s * r;
        const float h2 = secondHighPass.step(g1s * l - g1s * r);
        const float s2 = secondSide.step(static_cast<float>(g2 * root10 * h2));
        left[n] = ((s2 + m2) * g3 + (s1 + m1)) * 10.0f * g4;
        right[n] = ((m2 - s2) * g3 + (m1 - s1)) * 10.0f * g4;
    }
    mid_ = mid;
    directHighPass_ = directHighPass;
    directSide_ = directSide;
    secondHighPass_ = secondHighPass;
    secondSide_ = secondSide;
}

}  // namespace veltra
