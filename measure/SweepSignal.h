#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace veltra::measure {

// What a measurement sweep is: an exponential sine sweep between two frequencies, with silence
// before it (for a device that ramps up when playback starts) and after it (for the speaker's and
// the room's tail).
struct SweepSpec {
    int rate = 48000;
    double fromHz = 20.0;
    double toHz = 20000.0;
    double seconds = 5.0;
    double levelDb = -12.0;

    // Empty when such a sweep can be generated; otherwise why not.
    std::string problem() const;
};

// The sweep's samples and the one-line description written into its file, from which the
// analysis regenerates and checks it. The sweep is synchronised: its rate of growth L is chosen
// so that f1 * L is a whole number, which puts every harmonic's response at an exact time and
// phase, and makes the sweep a little shorter or longer than asked.
class SweepSignal {
  public:
    static constexpr double kLeadSeconds = 0.25;
    static constexpr double kTailSeconds = 2.0;
    static constexpr double kFadeInSeconds = 0.01;
    static constexpr double kFadeOutSeconds = 0.005;

    explicit SweepSignal(const SweepSpec& spec);

    const SweepSpec& spec() const { return spec_; }
    // L of x(t) = sin(2 pi f1 L (e^(t/L) - 1)), in seconds.
    double growth() const { return growth_; }
    double sweepSeconds() const;  // the sweep itself, without the silences
    std::size_t leadFrames() const;
    std::size_t sweepFrames() const;
    std::size_t totalFrames() const;
    std::vector<float> samples() const;  // mono, totalFrames() long

    std::string description() const;
    // The settings a description states; none if the text is not one of ours.
    static std::optional<SweepSpec> parseDescription(const std::string& text);

  private:
    SweepSpec spec_;
    double growth_;
};

}  // namespace veltra::measure
