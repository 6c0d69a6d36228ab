#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltra {

// Effect type codes of the stages a chain can build.
enum EffectType : std::int32_t {
    kEffectTypeGain = 10001,
    kEffectTypeEqualizer = 10002,
    kEffectTypeLimiter = 10003,
    kEffectTypeSurround = 10102,
};

// Configuration of one chain stage. The payload is fixed storage for the largest type (surround)
// and starts zeroed, so any word a type does not set reads as 0.
struct ParameterBlock {
    static constexpr std::size_t kPayloadWords = 256;
    static constexpr std::size_t kSurroundPayloadWords = 276;

    std::int32_t version = 1;
    std::int32_t effectType = 0;
    std::uint8_t enabled = 0;
    std::string name;
    std::array<std::uint32_t, kSurroundPayloadWords> payload{};

    std::size_t payloadWords() const {
        return effectType == kEffectTypeSurround ? kSurroundPayloadWords : kPayloadWords;
    }
    // Reads and writes outside payloadWords() are ignored (and read as 0.0).
    float floatAt(std::size_t word) const {
        return word < payloadWords() ? std::bit_cast<float>(payload[word]) : 0.0f;
    }
    void setFloat(std::size_t word, float value) {
        if (word < payloadWords()) payload[word] = std::bit_cast<std::uint32_t>(value);
    }
};

using ParameterList = std::vector<std::unique_ptr<ParameterBlock>>;

}  // namespace veltra
