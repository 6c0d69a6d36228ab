#include "tools/ChainResponse.h"

#include <algorithm>
#include <cmath>

#include "measure/RealFft.h"
#include "tools/AudioFile.h"
#include "tools/OfflineRunner.h"

namespace veltra::tools {

namespace {

// -60 dBFS: every limiter of the path stays below its threshold.
constexpr float kImpulse = 1.0f / 1024.0f;
constexpr std::size_t kResponseFrames = std::size_t{1} << 17;

}  // namespace

ChainResponse::ChainResponse(const presets::Tuning& tuning, bool enhancement, int sampleRate)
    : rate_(sampleRate) {
    // After a second, so that the start of the stream (its fade-in) is long over.
    const auto start = static_cast<std::size_t>(sampleRate);
    const std::size_t frames = start + kResponseFrames;
    auto runner = OfflineRunner::speaker(
        2, sampleRate, enhancement, static_cast<std::size_t>(sampleRate / 100), &tuning.blocks());
    if (!runner) throw FileError{"the engine refused a stereo stream at this rate"};
    std::vector<float> stream(2 * frames, 0.0f);
    stream[2 * start] = stream[2 * start + 1] = kImpulse;
    for (std::size_t done = 0; done < frames; done += runner->pieceFrames()) {
        const std::size_t n = std::min(runner->pieceFrames(), frames - done);
        runner->process(&stream[2 * done], n);
    }
    impulse_.resize(kResponseFrames);
    for (std::size_t i = 0; i < kResponseFrames; ++i)
        impulse_[i] = 0.5f * (stream[2 * (start + i)] + stream[2 * (start + i) + 1]) / kImpulse;
}

std::vector<double> ChainResponse::decibels(const std::vector<double>& hz) const {
    const measure::RealFft fft(impulse_.size());
    const auto bins = fft.forward(impulse_);
    std::vector<double> out;
    for (double f : hz) {
        const double magnitude = std::abs(fft.at(bins, f, rate_));
        out.push_back(20.0 * std::log10(std::max(magnitude, 1e-15)));
    }
    return out;
}

}  // namespace veltra::tools
