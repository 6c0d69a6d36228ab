#pragma once

#include <string>
#include <vector>

#include "presets/ParameterTable.h"

namespace veltra::presets {

// The rates a preset is checked against unless told others: every common output rate.
const std::vector<int>& defaultCheckRates();

// Empty when `value` is allowed for the field; otherwise what is wrong and what is allowed.
// `name` is how the message names the value (e.g. "PreEQ band 2 freq_hz").
std::string checkValue(const std::string& name, const Field& field, double value,
                       const std::vector<int>& rates);

}  // namespace veltra::presets
