#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace veltra::measure {

// The real FFT of kissfft (float) for one length, both directions. The length is rounded up to
// one that kissfft factors quickly; callers zero-pad to size().
class RealFft {
  public:
    // A length of at least `minimum`.
    explicit RealFft(std::size_t minimum);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    std::size_t size() const { return size_; }
    // size() samples in (shorter input is zero-padded), size()/2 + 1 bins out.
    std::vector<std::complex<double>> forward(const std::vector<float>& samples) const;
    // size()/2 + 1 bins in, size() samples out, scaled so that inverse(forward(x)) = x.
    std::vector<double> inverse(const std::vector<std::complex<double>>& bins) const;
    // The spectrum at any frequency below half the rate, linear between the two nearest bins.
    std::complex<double> at(const std::vector<std::complex<double>>& bins, double hz,
                            double rate) const;

  private:
    std::size_t size_;
    void* forward_;
    void* inverse_;
};

}  // namespace veltra::measure
