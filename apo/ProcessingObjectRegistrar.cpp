#include "apo/ProcessingObjectRegistrar.h"

#include <cstring>

#include "apo/platform/GuidText.h"
#include "apo/platform/SystemError.h"
#include "text/Utf8.h"

namespace veltra::apo {

using text::appendUtf8;

bool fieldText(const WCHAR* field, std::size_t capacity, std::string& utf8) {
    utf8.clear();
    for (std::size_t i = 0; i < capacity; ++i) {
        const auto unit = static_cast<std::uint32_t>(field[i]);
        if (unit == 0) return true;
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const auto next = i + 1 < capacity ? static_cast<std::uint32_t>(field[i + 1]) : 0u;
        if (high && next >= 0xDC00 && next < 0xE000) {
            appendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        } else {
            // A lone surrogate cannot be represented; it becomes the replacement character.
            appendUtf8(utf8, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
        }
    }
    return false;
}

HRESULT ProcessingObjectRegistrar::registerProcessingObject(const APO_REG_PROPERTIES* record) {
    if (record == nullptr) return E_POINTER;
    if (LONG error = registry_.createKey(kRoot); error != ERROR_SUCCESS)
        return hresultFromSystemError(error);
    const std::string name = guidToRegistryString(record->clsid);
    const std::string key = std::string(kRoot) + "\\" + name;
    registry_.deleteTree(kRoot, name);  // a stale record must not keep old values
    if (LONG error = registry_.createKey(key); error != ERROR_SUCCESS)
        return hresultFromSystemError(error);

    std::string friendly, copyright;
    if (!fieldText(record->szFriendlyName, 256, friendly) ||
        !fieldText(record->szCopyrightInfo, 256, copyright)) {
        return E_INVALIDARG;
    }
    LONG error = registry_.setString(key, "FriendlyName", friendly);
    if (error == ERROR_SUCCESS) error = registry_.setString(key, "Copyright", copyright);
    const std::pair<const char*, UINT32> numbers[] = {
        {"MajorVersion", record->u32MajorVersion},
        {"MinorVersion", record->u32MinorVersion},
        {"Flags", record->Flags},
        {"MinInputConnections", record->u32MinInputConnections},
        {"MaxInputConnections", record->u32MaxInputConnections},
        {"MinOutputConnections", record->u32MinOutputConnections},
        {"MaxOutputConnections", record->u32MaxOutputConnections},
        {"MaxInstances", record->u32MaxInstances},
        {"NumAPOInterfaces", record->u32NumAPOInterfaces},
    };
    for (const auto& [valueName, number] : numbers) {
        if (error == ERROR_SUCCESS) error = registry_.setNumber(key, valueName, number);
    }
    for (UINT32 i = 0; i < record->u32NumAPOInterfaces && error == ERROR_SUCCESS; ++i) {
        // Further interface entries follow the record's one-entry array in the same allocation;
        // copying bytes reads them without indexing past the declared array.
        IID iid;
        const auto* entries = reinterpret_cast<const unsigned char*>(record->iidAPOInterfaceList);
        std::memcpy(&iid, entries + static_cast<std::size_t>(i) * sizeof(IID), sizeof(IID));
        error =
            registry_.setString(key, "APOInterface" + std::to_string(i), guidToRegistryString(iid));
    }
    return hresultFromSystemError(error);
}

HRESULT ProcessingObjectRegistrar::unregisterProcessingObject(const CLSID& classId) {
    if (LONG error = registry_.openKey(kRoot); error != ERROR_SUCCESS)
        return hresultFromSystemError(error);
    return hresultFromSystemError(registry_.deleteTree(kRoot, guidToRegistryString(classId)));
}

}  // namespace veltra::apo
