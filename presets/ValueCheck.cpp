#include "presets/ValueCheck.h"

#include <charconv>
#include <cmath>

#include "presets/NumberText.h"
#include "presets/PresetProblem.h"

namespace veltra::presets {

std::string describe(const std::string& file, const PresetProblem& problem) {
    std::string where = file;
    if (problem.line > 0) {
        where.append(":").append(std::to_string(problem.line));
        if (problem.column > 0) where.append(":").append(std::to_string(problem.column));
    }
    return where.append(": ").append(problem.message);
}

const std::vector<int>& defaultCheckRates() {
    static const std::vector<int> rates = {44100, 48000};
    return rates;
}

namespace {

std::string withUnit(double v, const Field& field) {
    std::string s = NumberText::shortest(static_cast<float>(v));
    if (field.unit[0] != '\0') s += std::string(" ") + field.unit;
    return s;
}

}  // namespace

std::string checkValue(const std::string& name, const Field& field, double value,
                       const std::vector<int>& rates) {
    if (!std::isfinite(value))
        return name + ": not a finite number; allowed: " + withUnit(field.minimum, field) + " to " +
               withUnit(field.maximum, field);
    if (field.belowNyquist) {
        for (int rate : rates) {
            if (value >= rate / 2.0)
                return name + ": " + withUnit(value, field) + " is at or above half of " +
                       std::to_string(rate) + " Hz; allowed: below " + withUnit(rate / 2.0, field);
        }
    }
    const bool positive = field.minimum > 0.0f;
    if (positive && value <= 0.0)
        return name + ": " + NumberText::shortest(static_cast<float>(value)) +
               " must be above 0; allowed: " + withUnit(field.minimum, field) + " to " +
               withUnit(field.maximum, field);
    if (value < field.minimum || value > field.maximum)
        return name + ": " + withUnit(value, field) +
               " is out of range; allowed: " + withUnit(field.minimum, field) + " to " +
               withUnit(field.maximum, field);
    return {};
}

}  // namespace veltra::presets
