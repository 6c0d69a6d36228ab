#include "presets/NumberText.h"

#include <charconv>
#include <cmath>

namespace veltra::presets {

std::string NumberText::shortest(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // Fixed notation without a precision is the shortest that round-trips; a float's largest
    // finite value takes 39 digits and its smallest subnormal 45 decimals.
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    return std::string(text, end);
}

std::string NumberText::floatLiteral(float value) {
    std::string s = shortest(value);
    if (std::isfinite(value) && s.find('.') == std::string::npos) s += ".0";
    return s;
}

}  // namespace veltra::presets
