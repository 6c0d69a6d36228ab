#include "apo/platform/TypeLibrary.h"

#if !defined(_WIN32)
#include "apo/platform/GuidText.h"
#include "apo/platform/Registry.h"
#include "apo/platform/SystemError.h"

namespace veltra::apo {

HRESULT registerTypeLibrary(const GUID& library, const std::string& modulePath) {
    Registry& registry = moduleRegistry();
    const std::string version = "TypeLib\\" + guidToRegistryString(library) + "\\1.0";
    const std::string file = version + "\\0\\win64";
    LONG error = registry.createKey(file);
    if (error == ERROR_SUCCESS)
        error = registry.setString(version, "", "VeltraDspAPO 1.0 Type Library");
    if (error == ERROR_SUCCESS) error = registry.setString(file, "", modulePath);
    return hresultFromSystemError(error);
}

HRESULT unregisterTypeLibrary(const GUID& library) {
    return hresultFromSystemError(
        moduleRegistry().deleteTree("TypeLib", guidToRegistryString(library)));
}

}  // namespace veltra::apo
#endif
