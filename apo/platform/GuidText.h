#pragma once

#include <string>

#include "apo/platform/WinTypes.h"

namespace veltra::apo {

// The registry text form of a GUID: braces, upper-case hexadecimal, 38 characters.
std::string guidToRegistryString(const GUID& guid);

}  // namespace veltra::apo
