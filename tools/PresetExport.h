#pragma once

#include <string>
#include <utility>
#include <vector>

#include "presets/Tuning.h"

namespace veltra::tools {

// The control values a tuning gives the LV2 plugin's ports: (symbol, value) in port order.
std::vector<std::pair<std::string, float>> controlValues(const presets::Tuning& tuning);

// An LV2 preset bundle for urn:veltradsp:speaker: (file name, content) pairs.
std::vector<std::pair<std::string, std::string>> lv2PresetBundle(const presets::Tuning& tuning,
                                                                 const std::string& name);

// The tuning as the module's built-in list, for a build with -DVELTRA_PRESET: the stage table
// and every non-zero block word, as C++ initialisers.
std::string builtInSource(const presets::Tuning& tuning, const std::string& source);

}  // namespace veltra::tools
