#pragma once

#include <string>

#include "apo/platform/ComTypes.h"

namespace veltra::apo {

// The module's type library. On Windows it is the module's TYPELIB resource, registered with the
// system's type-library registration; elsewhere only its TypeLib\{library id}\1.0 record is kept
// in the module registry, naming the module as the library's file, so tests can see it.
HRESULT registerTypeLibrary(const GUID& library, const std::string& modulePath);
HRESULT unregisterTypeLibrary(const GUID& library);

}  // namespace veltra::apo
