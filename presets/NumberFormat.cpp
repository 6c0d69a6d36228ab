#include "presets/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace veltra::presets {

namespace {

// The number with its spaces, no-break spaces (U+00A0) and narrow ones (U+202F) taken out;
// `spaced` tells whether there were any.
std::string compact(std::string_view text, bool& spaced) {
    std::string out;
    spaced = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            spaced = true;
        } else if (text.substr(i, 2) == "\xC2\xA0") {
            spaced = true;
            ++i;
        } else if (text.substr(i, 3) == "\xE2\x80\xAF") {
            spaced = true;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

void NumberFormat::observe(std::string_view text, int line, bool thousandsPossible) {
    bool spaced = false;
    std::string s = compact(text, spaced);
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.erase(0, 1);
    const auto dot = s.find('.'), comma = s.find(',');
    auto decimalSeen = [&](char mark) {
        if (decimal_ == 0) {
            decimal_ = mark, decimalLine_ = line;
        } else if (decimal_ != mark && otherDecimal_ == 0) {
            otherDecimal_ = mark, otherLine_ = line;
        }
    };
    auto groupingSeen = [&](char mark) {
        if (grouping_ == 0) grouping_ = mark, groupingLine_ = line;
    };
    if (dot != std::string::npos && comma != std::string::npos) {
        const char last = s.rfind('.') > s.rfind(',') ? '.' : ',';
        decimalSeen(last);
        groupingSeen(last == '.' ? ',' : '.');
        return;
    }
    const auto at = dot != std::string::npos ? dot : comma;
    if (at == std::string::npos) return;
    const char mark = s[at];
    if (s.find(mark, at + 1) != std::string::npos) {
        groupingSeen(mark);  // two of one mark: thousands
        return;
    }
    const std::string_view before = std::string_view(s).substr(0, at);
    const std::string_view after = std::string_view(s).substr(at + 1);
    // A group of thousands follows one to three digits, not a lone 0, and has three digits.
    if (!thousandsPossible || spaced || after.size() != 3 || before.empty() || before.size() > 3 ||
        before == "0" || !digits(after)) {
        decimalSeen(mark);
        return;
    }
    if (ambiguousLine_ == 0) ambiguousLine_ = line, ambiguous_ = std::string(text);
}

std::optional<std::pair<int, std::string>> NumberFormat::problem() const {
    auto name = [](char mark) { return mark == '.' ? std::string("'.'") : std::string("','"); };
    if (otherDecimal_ != 0)
        return std::pair{otherLine_, "this line writes " + name(otherDecimal_) +
                                         " as the decimal mark, line " +
                                         std::to_string(decimalLine_) + " " + name(decimal_) +
                                         "; a file must keep to one"};
    if (decimal_ != 0 && grouping_ == decimal_)
        return std::pair{groupingLine_, "this line groups thousands with " + name(grouping_) +
                                            ", which line " + std::to_string(decimalLine_) +
                                            " uses as the decimal mark"};
    if (decimal_ == 0 && grouping_ == 0 && ambiguousLine_ != 0)
        return std::pair{
            ambiguousLine_,
            std::string("'")
                .append(ambiguous_)
                .append("' reads as a decimal or as thousands, and no other number in the "
                        "file tells which")};
    return std::nullopt;
}

std::optional<double> NumberFormat::read(std::string_view text) const {
    bool spaced = false;
    std::string s = compact(text, spaced);
    // The decimal mark: as decided, else the one mark that does not group thousands.
    char decimal = decimal_;
    if (decimal == 0 && grouping_ != 0) decimal = grouping_ == '.' ? ',' : '.';
    if (decimal == 0) decimal = '.';
    const char grouping = decimal == '.' ? ',' : '.';
    std::string plain;
    std::size_t groupStart = std::string::npos;
    bool decimalPart = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == grouping && !decimalPart) {
            // Groups of exactly three digits, after one to three.
            if (groupStart == std::string::npos) {
                const std::size_t lead = plain.size() - (plain.starts_with('-') ? 1 : 0);
                if (lead == 0 || lead > 3) return std::nullopt;
            } else if (plain.size() - groupStart != 3) {
                return std::nullopt;
            }
            groupStart = plain.size();
            continue;
        }
        if (c == decimal) {
            if (decimalPart) return std::nullopt;
            if (groupStart != std::string::npos && plain.size() - groupStart != 3)
                return std::nullopt;
            decimalPart = true;
            plain += '.';
            continue;
        }
        plain += c;
    }
    if (groupStart != std::string::npos && !decimalPart && plain.size() - groupStart != 3)
        return std::nullopt;
    const char* begin = plain.data() + (plain.size() > 1 && plain[0] == '+' ? 1 : 0);
    double v = 0.0;
    const auto [end, error] = std::from_chars(begin, plain.data() + plain.size(), v);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

}  // namespace veltra::presets
