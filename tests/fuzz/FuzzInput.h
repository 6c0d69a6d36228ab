#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// For the harnesses' own per-sample loops: their branches are not what a target explores, and
// tracing every comparison in them cost a fifth of each run.
#define VELTRA_FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))

namespace veltra::fuzz {

// True for one input in `every`, chosen by a hash of the whole input (FNV-1a): a costly check
// sampled this way still reproduces from the input alone, and unlike one byte of it, does not
// pick the same kind of input every time.
inline bool oneIn(std::uint32_t every, const std::uint8_t* data, std::size_t size) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash % every == 0;
}

// Reads typed values off the fuzzer's bytes; past the end every read is 0, so any input, however
// short, describes a complete run. The readers are not traced: comparing a position with the
// input's size tells the fuzzer nothing, and it was a tenth of a run where blocks are read.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    VELTRA_FUZZ_UNTRACED std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    VELTRA_FUZZ_UNTRACED std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(byte()) << (8 * i);
        return v;
    }
    VELTRA_FUZZ_UNTRACED float f32() {
        const std::uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // One of `count` choices.
    VELTRA_FUZZ_UNTRACED std::uint32_t pick(std::uint32_t count) {
        return count == 0 ? 0 : byte() % count;
    }
    VELTRA_FUZZ_UNTRACED std::string text(std::size_t maxLength) {
        std::string s(pick(std::uint32_t(maxLength + 1)), '\0');
        for (char& c : s) c = static_cast<char>(byte());
        return s;
    }
    bool empty() const { return at_ >= size_; }

    // Audio for `n` samples from a few bytes: noise at a chosen level from a seed, sometimes a
    // handful of samples of any bits (NaN, infinities, denormals) at a chosen place. Reading every
    // sample off the input would make the input, and each run, mostly audio.
    VELTRA_FUZZ_UNTRACED void audio(float* out, std::size_t n) {
        const std::uint32_t kind = pick(8);
        std::uint32_t seed = u32();
        const float level = kind == 0 ? f32() : float(1u << pick(6)) / 8.0f;
        for (std::size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            out[i] = level * (float(seed >> 8) / 8388608.0f - 1.0f);
        }
        if (kind == 1 && n > 0) {
            const std::size_t at = pick(256) % n;
            for (std::size_t i = at; i < n && i < at + 4; ++i) out[i] = f32();
        }
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace veltra::fuzz
