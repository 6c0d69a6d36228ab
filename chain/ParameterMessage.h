#pragma once

#include <cstdint>

namespace veltra {

// An engine's parameter message: the record's first word repeated as the identifier, plus the
// caller-owned record itself (word 1 carries the value for the identifiers the chains handle).
struct ParameterMessage {
    std::uint32_t identifier = 0;
    std::uint32_t* record = nullptr;
};

}  // namespace veltra
