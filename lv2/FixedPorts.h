#pragma once

#include <cstdint>

// The plugin's ports before the tuning's: the one list the plugin connects by and the LV2
// description is written from.
namespace veltra::lv2 {

enum class PortKind { kAudioIn, kAudioOut, kControlIn, kControlOut };

struct FixedPort {
    std::uint32_t index;
    const char* symbol;
    const char* name;
    PortKind kind;
    const char* comment;                   // null: none
    const char* designation;               // an lv2: designation, or null
    float defaultValue, minimum, maximum;  // control ports only
    const char* properties;                // lv2:portProperty values, or null
    const char* unit;                      // a units: unit, or null
};

inline constexpr FixedPort kFixedPorts[] = {
    {0, "in_l", "Left in", PortKind::kAudioIn, nullptr, nullptr, 0, 0, 0, nullptr, nullptr},
    {1, "in_r", "Right in", PortKind::kAudioIn, nullptr, nullptr, 0, 0, 0, nullptr, nullptr},
    {2, "out_l", "Left out", PortKind::kAudioOut, nullptr, nullptr, 0, 0, 0, nullptr, nullptr},
    {3, "out_r", "Right out", PortKind::kAudioOut, nullptr, nullptr, 0, 0, 0, nullptr, nullptr},
    {4, "enhancement", "Enhancement", PortKind::kControlIn,
     "The endpoint's enhancement switch: a change fades the output out, switches the surround "
     "stages and fades back in.",
     nullptr, 1, 0, 1, "lv2:toggled", nullptr},
    {5, "enabled", "Enabled", PortKind::kControlIn,
     "Off passes the input through, delayed by the path's latency, after a 20 ms cross-fade.",
     "lv2:enabled", 1, 0, 1, "lv2:toggled", nullptr},
    {6, "latency", "Latency", PortKind::kControlOut, nullptr, "lv2:latency", 0, 0, 1000000,
     "lv2:reportsLatency, lv2:integer", "units:frame"},
};

inline constexpr std::uint32_t kFixedPortCount = sizeof kFixedPorts / sizeof kFixedPorts[0];

}  // namespace veltra::lv2
