#include "measure/SweepAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

#include "measure/RealFft.h"

namespace veltra::measure {

namespace {

using Bins = std::vector<std::complex<double>>;

// 1 up to the sweep's end, a raised cosine in log frequency to 0 at the lesser of an octave above
// it and half the rate: zero-phase, but so wide that its ringing is a fraction of a millisecond.
double upperWeight(double hz, double to, double nyquist) {
    const double top = std::min(2.0 * to, nyquist);
    if (hz <= to || top <= to) return 1.0;
    if (hz >= top) return 0.0;
    const double t = std::log(hz / to) / std::log(top / to);
    return 0.5 + 0.5 * std::cos(std::numbers::pi * t);
}

// How far the sweep's energy can be trusted: 1 over its range, falling as a raised cosine in log
// frequency to 0 two octaves below it, and above it as upperWeight.
double bandWeight(double hz, double from, double to, double nyquist) {
    if (hz <= 0.0) return 0.0;
    if (hz < from) {
        const double t = 0.5 * std::log2(from / hz);
        return t >= 1.0 ? 0.0 : 0.5 + 0.5 * std::cos(std::numbers::pi * t);
    }
    return upperWeight(hz, to, nyquist);
}

// A fourth-order Butterworth high-pass an octave below the sweep: the response is band-limited
// by a causal filter, whose ringing stays within the window after the peak, and which is divided
// out again once windowed. A zero-phase limit would ring before the peak too, and the window's
// left side would cut that off.
std::complex<double> lowerLimit(double hz, double from) {
    const std::complex<double> s(0.0, hz / (0.5 * from));
    const std::complex<double> s2 = s * s;
    return s2 * s2 / ((s2 + 0.7653668647301796 * s + 1.0) * (s2 + 1.8477590650225735 * s + 1.0));
}

// One side of a Tukey window: 1 up to the tapered share, then a half cosine to 0 at `length`.
double side(double distance, double length) {
    if (length <= 0.0) return distance == 0.0 ? 1.0 : 0.0;
    const double flat = (1.0 - SweepAnalysis::kTaper) * length;
    if (distance <= flat) return 1.0;
    if (distance >= length) return 0.0;
    return 0.5 + 0.5 * std::cos(std::numbers::pi * (distance - flat) / (length - flat));
}

// The samples of the circular response h around `centre` (left before, right after), windowed,
// with the centre at index 0 of a buffer of `size` and the part before it wrapped to the end.
std::vector<float> windowed(const std::vector<double>& h, long centre, double left, double right,
                            std::size_t size) {
    std::vector<float> out(size, 0.0f);
    const long n = static_cast<long>(h.size());
    const long from = -static_cast<long>(std::floor(left)),
               to = static_cast<long>(std::floor(right));
    for (long i = from; i <= to; ++i) {
        const double w = i < 0 ? side(-double(i), left) : side(double(i), right);
        const long at = ((centre + i) % n + n) % n;
        out[static_cast<std::size_t>((i + long(size)) % long(size))] =
            static_cast<float>(w * h[at]);
    }
    return out;
}

std::vector<double> logGrid(double from, double to) {
    std::vector<double> hz;
    for (int i = 0;; ++i) {
        const double f = from * std::exp2(double(i) / SweepAnalysis::kPointsPerOctave);
        if (f > to * (1.0 - 1e-9)) break;
        hz.push_back(f);
    }
    hz.push_back(to);
    return hz;
}

}  // namespace

double SweepAnalysis::peakDbfs(const std::vector<float>& recording) {
    float peak = 0.0f;
    for (float s : recording) peak = std::max(peak, std::isfinite(s) ? std::fabs(s) : 1e30f);
    return 20.0 * std::log10(double(peak));
}

SweepAnalysis::Result SweepAnalysis::analyse(const SweepSignal& sweep,
                                             const std::vector<float>& recording) {
    const SweepSpec& spec = sweep.spec();
    const double rate = spec.rate;
    const std::size_t sweepEnd = sweep.leadFrames() + sweep.sweepFrames();
    if (recording.size() < sweepEnd) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the recording (%.3f s) is shorter than the sweep (%.3f s)",
                      double(recording.size()) / rate, double(sweepEnd) / rate);
        throw AnalysisError{text};
    }
    for (float v : recording)
        if (!std::isfinite(v))
            throw AnalysisError{"the recording holds samples that are not a number"};
    Result result;
    result.peakDbfs = peakDbfs(recording);
    char level[160];
    if (result.peakDbfs < kSilentDb) throw AnalysisError{"the recording is silent"};
    if (result.peakDbfs >= 20.0 * std::log10(double(kClipLevel))) {
        std::snprintf(level, sizeof level,
                      "the recording clips: its peak is %.2f dBFS (at most %.2f dBFS is usable)",
                      result.peakDbfs, 20.0 * std::log10(double(kClipLevel)));
        throw AnalysisError{level};
    }

    // Only what a latency of up to two seconds can hold of the sweep and its tail is used.
    const auto maxLatency = static_cast<std::size_t>(kMaxLatencySeconds * rate);
    std::vector<float> recorded(
        recording.begin(),
        recording.begin() +
            static_cast<long>(std::min(recording.size(), sweep.totalFrames() + maxLatency)));
    const std::vector<float> excitation = sweep.samples();
    const RealFft fft(recorded.size() + excitation.size());
    const std::size_t n = fft.size();
    const Bins x = fft.forward(excitation), y = fft.forward(recorded);
    double strongest = 0.0;
    for (const auto& v : x) strongest = std::max(strongest, std::norm(v));
    Bins h(x.size());
    for (std::size_t k = 0; k < x.size(); ++k) {
        const double hz = double(k) * rate / double(n);
        const double band = bandWeight(hz, spec.fromHz, spec.toHz, 0.5 * rate);
        if (band == 0.0) continue;
        // Almost no regularisation within the range; more as the band weight falls, where the
        // sweep has little energy and the quotient would be noise.
        const double floor = strongest * (1e-9 + 1e-3 * (1.0 - band));
        h[k] = upperWeight(hz, spec.toHz, 0.5 * rate) * lowerLimit(hz, spec.fromHz) * y[k] *
               std::conj(x[k]) / (std::norm(x[k]) + floor);
    }
    const std::vector<double> impulse = fft.inverse(h);

    std::size_t peak = 0;
    const std::size_t search = std::min(maxLatency + 1, n / 2);
    for (std::size_t i = 1; i < search; ++i)
        if (std::fabs(impulse[i]) > std::fabs(impulse[peak])) peak = i;
    result.latencyFrames = peak;
    if (peak + sweepEnd > recording.size()) {
        std::snprintf(level, sizeof level,
                      "the recording ends %.3f s too early for the sweep at the latency found "
                      "(%.3f s)",
                      double(peak + sweepEnd - recording.size()) / rate, double(peak) / rate);
        throw AnalysisError{level};
    }

    const double growth = sweep.growth();
    // The second harmonic's response lies L ln 2 before the linear one: each window stops half
    // way to its neighbour.
    const double left = std::min(kLeftWindowSeconds, 0.5 * growth * std::log(2.0)) * rate;
    const double right = std::min(kRightWindowSeconds * rate, double(recording.size() - peak - 1));
    const RealFft spectrum(
        std::max<std::size_t>(std::size_t{1} << 17, 4 * static_cast<std::size_t>(left + right)));
    const std::size_t m = spectrum.size();
    const std::vector<float> linear = windowed(impulse, long(peak), left, right, m);
    const Bins g1 = spectrum.forward(linear);

    const std::vector<double> grid = logGrid(spec.fromHz, spec.toHz);
    std::vector<double> db(grid.size()), degrees(grid.size());
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const auto v = spectrum.at(g1, grid[i], rate) / lowerLimit(grid[i], spec.fromHz);
        db[i] = 20.0 * std::log10(std::max(std::abs(v), 1e-15));
        degrees[i] = std::arg(v) * 180.0 / std::numbers::pi;
    }
    result.response = ResponseCurve(grid, std::move(db), std::move(degrees));

    const auto from = static_cast<std::size_t>(std::floor(left));
    result.impulsePeak = from;
    for (std::size_t i = 0; i <= from + static_cast<std::size_t>(right); ++i)
        result.impulse.push_back(linear[(i + m - from) % m]);

    for (int k = 2; k <= 3; ++k) {
        const double before = growth * std::log(double(k)) * rate;
        const long centre = std::lround(double(peak) - before);
        const double after = 0.5 * growth * std::log(double(k) / double(k - 1)) * rate;
        const double earlier = 0.5 * growth * std::log(double(k + 1) / double(k)) * rate;
        const Bins gk = spectrum.forward(windowed(impulse, centre, earlier, after, m));
        std::vector<double> hz, ratio;
        for (double f : grid) {
            if (f * k > spec.toHz) break;
            hz.push_back(f);
            ratio.push_back(20.0 *
                            std::log10(std::max(std::abs(spectrum.at(gk, f * k, rate)), 1e-15) /
                                       std::max(std::abs(spectrum.at(g1, f, rate)), 1e-15)));
        }
        if (hz.size() >= 2)
            (k == 2 ? result.secondHarmonic : result.thirdHarmonic) =
                ResponseCurve(std::move(hz), std::move(ratio));
    }
    return result;
}

}  // namespace veltra::measure
