#pragma once

#include "apo/platform/WinTypes.h"

namespace veltra::apo {

// A registry or system error as an HRESULT: values that are already negative pass unchanged, a
// positive system error code becomes 0x8007xxxx with its low 16 bits, and success stays S_OK.
constexpr HRESULT hresultFromSystemError(LONG error) {
    if (error <= 0) return static_cast<HRESULT>(error);
    return static_cast<HRESULT>((static_cast<std::uint32_t>(error) & 0xFFFFu) | 0x80070000u);
}

}  // namespace veltra::apo
