#include "WaveFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace host {

namespace {

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

constexpr std::uint16_t kFloatTag = 3;
constexpr std::uint16_t kExtensibleTag = 0xFFFE;

}  // namespace

WaveFile readFloatWave(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    WaveFile wave;
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return wave;
    bool isFloat = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const unsigned char* chunk = bytes.data() + at;
        const std::size_t size = le32(chunk + 4);
        if (size > bytes.size() - at - 8) break;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            const std::uint16_t tag = le16(chunk + 8);
            isFloat = (tag == kFloatTag || tag == kExtensibleTag) && le16(chunk + 22) == 32;
            wave.channels = le16(chunk + 10);
            wave.sampleRate = int(le32(chunk + 12));
        } else if (std::memcmp(chunk, "data", 4) == 0 && isFloat) {
            wave.samples.resize(size / 4);
            std::memcpy(wave.samples.data(), chunk + 8, wave.samples.size() * 4);
            return wave;
        }
        at += 8 + size + (size & 1);  // chunks are padded to even sizes
    }
    return {};
}

}  // namespace host
