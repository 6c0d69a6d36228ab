#include "tools/DeviceResponse.h"

#include <cmath>

namespace veltra::tools {

DeviceResponse::DeviceResponse(const std::string& measurement, const std::string& target,
                               int smoothing)
    : measured_(measure::ResponseCurve::read(measurement).smoothed(smoothing)) {
    if (target != "flat") target_ = measure::ResponseCurve::read(target);
}

std::vector<double> DeviceResponse::targetAt(const std::vector<double>& hz) const {
    return target_.empty() ? std::vector<double>(hz.size(), 0.0) : target_.levelsAt(hz);
}

std::vector<double> DeviceResponse::tuned(const presets::Tuning& tuning, bool enhancement, int rate,
                                          const std::vector<double>& hz) const {
    return tuned(ChainResponse(tuning, enhancement, rate), hz);
}

std::vector<double> DeviceResponse::tuned(const ChainResponse& chain,
                                          const std::vector<double>& hz) const {
    std::vector<double> out = measured_.levelsAt(hz);
    const std::vector<double> path = chain.decibels(hz);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] += path[i];
    return out;
}

std::vector<double> DeviceResponse::grid(double from, double to, int points) {
    std::vector<double> hz;
    const double octaves = std::log2(to / from);
    const int steps = std::max(1, static_cast<int>(std::ceil(octaves * points)));
    for (int i = 0; i <= steps; ++i) hz.push_back(from * std::exp2(octaves * i / steps));
    return hz;
}

}  // namespace veltra::tools
