#pragma once

#include <cstdint>

namespace veltra {

// An engine's parameter message: the record's first word repeated as the identifier, plus the
// caller-owned record itself (word 1 carries the value for the identifiers the chains handle).
// The one message the speaker chain handles: the endpoint's enhancement switch, word 1 holding 1
// for on and 0 for off. The processing object, the tools, the plugin and the chain all send or
// read it by this name.
inline constexpr std::uint32_t kEnhancementMessage = 10003;

struct ParameterMessage {
    std::uint32_t identifier = 0;
    std::uint32_t* record = nullptr;
};

}  // namespace veltra
