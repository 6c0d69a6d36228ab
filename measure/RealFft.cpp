#include "measure/RealFft.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace veltra::measure {

RealFft::RealFft(std::size_t minimum) {
    if (minimum > (std::size_t{1} << 28)) throw std::length_error("FFT length too large");
    size_ = static_cast<std::size_t>(kiss_fftr_next_fast_size_real(static_cast<int>(minimum)));
    if (size_ < 2) size_ = 2;
    forward_ = kiss_fftr_alloc(static_cast<int>(size_), 0, nullptr, nullptr);
    inverse_ = kiss_fftr_alloc(static_cast<int>(size_), 1, nullptr, nullptr);
    if (forward_ == nullptr || inverse_ == nullptr) {
        kiss_fftr_free(forward_);
        kiss_fftr_free(inverse_);
        throw std::bad_alloc();
    }
}

RealFft::~RealFft() {
    kiss_fftr_free(forward_);
    kiss_fftr_free(inverse_);
}

std::vector<std::complex<double>> RealFft::forward(const std::vector<float>& samples) const {
    std::vector<float> in(size_, 0.0f);
    std::copy(samples.begin(), samples.begin() + std::min(samples.size(), size_), in.begin());
    std::vector<kiss_fft_cpx> out(size_ / 2 + 1);
    kiss_fftr(static_cast<kiss_fftr_cfg>(forward_), in.data(), out.data());
    std::vector<std::complex<double>> bins(out.size());
    for (std::size_t k = 0; k < out.size(); ++k) bins[k] = {out[k].r, out[k].i};
    return bins;
}

std::vector<double> RealFft::inverse(const std::vector<std::complex<double>>& bins) const {
    std::vector<kiss_fft_cpx> in(size_ / 2 + 1);
    for (std::size_t k = 0; k < in.size() && k < bins.size(); ++k)
        in[k] = {static_cast<float>(bins[k].real()), static_cast<float>(bins[k].imag())};
    std::vector<float> out(size_);
    kiss_fftri(static_cast<kiss_fftr_cfg>(inverse_), in.data(), out.data());
    std::vector<double> samples(size_);
    const double scale = 1.0 / double(size_);
    for (std::size_t n = 0; n < size_; ++n) samples[n] = out[n] * scale;
    return samples;
}

std::complex<double> RealFft::at(const std::vector<std::complex<double>>& bins, double hz,
                                 double rate) const {
    const double k = std::clamp(hz * double(size_) / rate, 0.0, double(bins.size() - 2));
    const auto k0 = static_cast<std::size_t>(k);
    const double t = k - double(k0);
    return (1.0 - t) * bins[k0] + t * bins[k0 + 1];
}

}  // namespace veltra::measure
