#pragma once

#include <cstdint>
#include <string>

#include "apo/platform/WinTypes.h"

namespace veltra::apo {

// The registry operations registration needs, on keys under HKEY_CLASSES_ROOT named by
// backslash-separated paths. Results are system error codes (ERROR_SUCCESS on success). On Windows
// this is the system registry; elsewhere an in-memory one that tests inspect.
class Registry {
  public:
    virtual ~Registry() = default;

    virtual LONG createKey(const std::string& path) = 0;  // creates missing parents too
    virtual LONG openKey(const std::string& path) = 0;    // ERROR_FILE_NOT_FOUND if absent
    // Deletes `subkey` of `parent` with everything below it.
    virtual LONG deleteTree(const std::string& parent, const std::string& subkey) = 0;
    // `name` empty is the key's default value. The key must exist.
    virtual LONG setString(const std::string& path, const std::string& name,
                           const std::string& value) = 0;
    virtual LONG setNumber(const std::string& path, const std::string& name,
                           std::uint32_t value) = 0;
};

// The registry the module writes to: the system one on Windows, the in-memory one elsewhere.
Registry& moduleRegistry();

}  // namespace veltra::apo
