#include "presets/TextDecoding.h"

#include <cstdint>

#include "text/Utf8.h"

namespace veltra::presets {

namespace {

using text::appendUtf8;

std::string fromUtf16(std::string_view raw, bool little) {
    std::string out;
    auto unit = [&](std::size_t i) {
        const auto lo = static_cast<unsigned char>(raw[little ? i : i + 1]);
        const auto hi = static_cast<unsigned char>(raw[little ? i + 1 : i]);
        return static_cast<std::uint32_t>(hi << 8 | lo);
    };
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        std::uint32_t code = unit(i);
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < raw.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        // A lone surrogate is no character: the replacement character stands for it.
        if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;
        appendUtf8(out, code);
    }
    return out;
}

// Windows-1252's letters in 0x80-0x9F, which Latin-1 leaves to control codes; 0 where unused.
constexpr std::uint16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool TextDecoding::validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 2) return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and codes beyond Unicode are not UTF-8.
        static constexpr std::uint32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kShortest[length] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

std::string TextDecoding::toUtf8(std::string_view raw) {
    if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE')
        return fromUtf16(raw.substr(2), true);
    if (raw.size() >= 2 && raw[0] == '\xFE' && raw[1] == '\xFF')
        return fromUtf16(raw.substr(2), false);
    if (raw.size() >= 2 && raw.size() % 2 == 0 && (raw[0] == '\0') != (raw[1] == '\0'))
        return fromUtf16(raw, raw[1] == '\0');
    if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
    if (validUtf8(raw)) return std::string(raw);
    std::string out;
    for (char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        const std::uint32_t code =
            c >= 0x80 && c < 0xA0 && kWindows1252[c - 0x80] != 0 ? kWindows1252[c - 0x80] : c;
        appendUtf8(out, code);
    }
    return out;
}

}  // namespace veltra::presets
