#include "measure/SweepSignal.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace veltra::measure {

namespace {

constexpr const char* kDescriptionFormat =
    "veltradsp sweep: rate %d Hz, %lf Hz to %lf Hz, %lf s, %lf dBFS";

}  // namespace

std::string SweepSpec::problem() const {
    if (rate < 8000 || rate > 384000) return "the rate must be 8000 to 384000 Hz";
    if (!(fromHz >= 1.0)) return "the sweep must start at 1 Hz or above";
    if (!(toHz <= 0.5 * rate)) return "the sweep must end at or below half the rate";
    if (!(toHz >= 2.0 * fromHz)) return "the sweep must cover at least an octave";
    if (!(seconds >= 0.5 && seconds <= 60.0)) return "the sweep must last 0.5 to 60 s";
    if (!(levelDb >= -60.0 && levelDb <= 0.0)) return "the level must be -60 to 0 dBFS";
    return {};
}

SweepSignal::SweepSignal(const SweepSpec& spec) : spec_(spec) {
    const double octaves = std::log(spec.toHz / spec.fromHz);
    // f1 * L whole: each harmonic's phase is then a whole number of cycles where it starts.
    const double cycles = std::max(1.0, std::round(spec.fromHz * spec.seconds / octaves));
    growth_ = cycles / spec.fromHz;
}

double SweepSignal::sweepSeconds() const {
    return growth_ * std::log(spec_.toHz / spec_.fromHz);
}

std::size_t SweepSignal::leadFrames() const {
    return static_cast<std::size_t>(std::lround(kLeadSeconds * spec_.rate));
}

std::size_t SweepSignal::sweepFrames() const {
    return static_cast<std::size_t>(std::floor(sweepSeconds() * spec_.rate));
}

std::size_t SweepSignal::totalFrames() const {
    return leadFrames() + sweepFrames() + static_cast<std::size_t>(kTailSeconds * spec_.rate);
}

std::vector<float> SweepSignal::samples() const {
    std::vector<float> out(totalFrames(), 0.0f);
    const double amplitude = std::pow(10.0, spec_.levelDb / 20.0);
    const double rate = spec_.rate, length = double(sweepFrames());
    const double fadeIn = kFadeInSeconds * rate, fadeOut = kFadeOutSeconds * rate;
    for (std::size_t n = 0; n < sweepFrames(); ++n) {
        const double t = double(n) / rate;
        const double phase =
            2.0 * std::numbers::pi * spec_.fromHz * growth_ * std::expm1(t / growth_);
        // Raised-cosine fades: the sweep starts and stops without a click.
        double envelope = 1.0;
        if (double(n) < fadeIn) envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * n / fadeIn);
        const double left = length - double(n);
        if (left < fadeOut) envelope *= 0.5 - 0.5 * std::cos(std::numbers::pi * left / fadeOut);
        out[leadFrames() + n] = static_cast<float>(amplitude * envelope * std::sin(phase));
    }
    return out;
}

std::string SweepSignal::description() const {
    char text[160];
    std::snprintf(text, sizeof text,
                  "veltradsp sweep: rate %d Hz, %.17g Hz to %.17g Hz, %.17g s, %.17g dBFS",
                  spec_.rate, spec_.fromHz, spec_.toHz, spec_.seconds, spec_.levelDb);
    return text;
}

std::optional<SweepSpec> SweepSignal::parseDescription(const std::string& text) {
    SweepSpec spec;
    if (std::sscanf(text.c_str(), kDescriptionFormat, &spec.rate, &spec.fromHz, &spec.toHz,
                    &spec.seconds, &spec.levelDb) != 5 ||
        !spec.problem().empty())
        return std::nullopt;
    return spec;
}

}  // namespace veltra::measure
