#pragma once

#include <string>

namespace veltra::pipewire {

// The texts of the session manager's files that bind the VeltraDsp sink to one output device,
// each opening with the record attach keeps in it (the sink, the preset, the directories it
// made): kept apart from the writing of them, which SessionFiles does as one transaction.
struct SessionText {
    // Markers of the record's lines in the Lua and the conf forms.
    static constexpr const char* kLuaMarker = "-- veltradsp: ";
    static constexpr const char* kConfMarker = "# veltradsp: ";

    std::string sink;       // the device's node name, valid as SessionFiles::validSinkName says
    std::string arguments;  // the filter chain's module arguments
    std::string preset;     // as recorded: a path or "built-in"
    std::string created;    // the directories attach made, ':'-separated

    // WirePlumber 0.4: the script that loads the chain when the device appears and unloads it
    // when it goes, and the main.lua.d fragment that loads the script (`stem` is its file stem).
    std::string luaScript() const;
    std::string luaFragment(const std::string& stem) const;
    // WirePlumber 0.5: a software-DSP rule that does both.
    std::string softwareDspRule() const;

    // The value of a "<marker>key = value" line of a recorded text, or empty.
    static std::string recorded(const std::string& text, const std::string& marker,
                                const std::string& key);
};

}  // namespace veltra::pipewire
