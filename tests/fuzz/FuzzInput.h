#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace veltra::fuzz {

// Reads typed values off the fuzzer's bytes; past the end every read is 0, so any input, however
// short, describes a complete run.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(byte()) << (8 * i);
        return v;
    }
    float f32() {
        const std::uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // One of `count` choices.
    std::uint32_t pick(std::uint32_t count) { return count == 0 ? 0 : byte() % count; }
    std::string text(std::size_t maxLength) {
        std::string s(pick(std::uint32_t(maxLength + 1)), '\0');
        for (char& c : s) c = static_cast<char>(byte());
        return s;
    }
    bool empty() const { return at_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace veltra::fuzz
