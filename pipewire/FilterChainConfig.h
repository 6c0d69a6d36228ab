#pragma once

#include <string>

#include "presets/Tuning.h"

namespace veltra::pipewire {

// What the filter-chain module is given to run the speaker path as the "VeltraDsp Speaker" sink:
// its arguments as SPA-JSON, the plugin node's controls set to the tuning. With a target sink,
// the chain plays only into that sink, never falls back to another, and asks to be the default
// output while it exists.
struct FilterChainConfig {
    const presets::Tuning& tuning;
    std::string targetSink;  // empty: play into the default output
    // False: only the enhancement switch is set, every other control keeps the plugin's own
    // default (the built-in tuning).
    bool tuningControls = true;

    // The argument object; lines after the first are indented by `indent`.
    std::string arguments(const std::string& indent) const;
    // A whole pipewire.conf fragment that loads the module with those arguments.
    std::string configurationFile(const std::string& source) const;
    // The configuration shipped with the plugin (lv2/pipewire/veltradsp-speaker.conf): the
    // built-in tuning by the plugin's defaults, into the default output.
    static std::string shippedFile();
};

}  // namespace veltra::pipewire
