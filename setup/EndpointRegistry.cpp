#include "setup/EndpointRegistry.h"

#include <cwctype>

namespace veltra::setup {

namespace {

constexpr const wchar_t* kTree = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio";
// PKEY_Device_FriendlyName and PKEY_Device_DeviceDesc, as the endpoint's Properties key names
// them: the full name first, the short description where there is no full name.
constexpr const wchar_t* kNames[] = {L"{a45c254e-df1c-4efd-8020-67d146a850e0},14",
                                     L"{a45c254e-df1c-4efd-8020-67d146a850e0},2"};

bool isGuid(const std::wstring& text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring Endpoint::id() const {
    return std::wstring(flow == Flow::Render ? L"{0.0.0.00000000}." : L"{0.0.1.00000000}.") + guid;
}

std::wstring EndpointRegistry::keyPath(const Endpoint& endpoint) {
    return std::wstring(kTree) + L"\\" + endpoint.flowName() + L"\\" + endpoint.guid;
}

LONG EndpointRegistry::list(std::vector<Endpoint>& endpoints) const {
    endpoints.clear();
    for (Flow flow : {Flow::Render, Flow::Capture}) {
        KeyHandle key;
        const std::wstring path =
            std::wstring(kTree) + (flow == Flow::Render ? L"\\Render" : L"\\Capture");
        const LONG error =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.handle);
        if (error == ERROR_FILE_NOT_FOUND) continue;
        if (error != ERROR_SUCCESS) return error;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            const LONG e =
                RegEnumKeyExW(key.handle, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (e == ERROR_NO_MORE_ITEMS) break;
            if (e != ERROR_SUCCESS) return e;
            if (isGuid(name)) endpoints.push_back({flow, name});
        }
    }
    return ERROR_SUCCESS;
}

std::optional<Endpoint> EndpointRegistry::find(const std::wstring& idOrGuid) const {
    std::vector<Endpoint> all;
    if (list(all) != ERROR_SUCCESS) return std::nullopt;
    for (const Endpoint& e : all) {
        if (sameText(idOrGuid, e.id()) || sameText(idOrGuid, e.guid)) return e;
    }
    return std::nullopt;
}

LONG EndpointRegistry::readEffect(const Endpoint& endpoint, const std::wstring& name,
                                  RegistryValue& value) const {
    value = {};
    KeyHandle key;
    const std::wstring path = keyPath(endpoint) + L"\\FxProperties";
    const LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.handle);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // no effects set at all
    if (error != ERROR_SUCCESS) return error;
    return readValue(key.handle, name, value);
}

LONG EndpointRegistry::writeEffect(const Endpoint& endpoint, const std::wstring& name,
                                   const RegistryValue& value) const {
    KeyHandle key;
    const std::wstring path = keyPath(endpoint) + L"\\FxProperties";
    const LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                       KEY_READ | KEY_SET_VALUE, nullptr, &key.handle, nullptr);
    if (error != ERROR_SUCCESS) return error;
    return writeValue(key.handle, name, value);
}

bool EndpointRegistry::hasEffectsKey(const Endpoint& endpoint) const {
    KeyHandle key;
    const std::wstring path = keyPath(endpoint) + L"\\FxProperties";
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.handle) ==
           ERROR_SUCCESS;
}

LONG EndpointRegistry::removeEmptyEffectsKey(const Endpoint& endpoint) const {
    const std::wstring path = keyPath(endpoint) + L"\\FxProperties";
    DWORD subkeys = 0, values = 0;
    {
        KeyHandle key;
        LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.handle);
        if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (error != ERROR_SUCCESS) return error;
        error = RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                 &values, nullptr, nullptr, nullptr, nullptr);
        if (error != ERROR_SUCCESS) return error;
    }
    if (subkeys != 0 || values != 0) return ERROR_SUCCESS;  // something else lives there now
    return RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

std::wstring EndpointRegistry::storedName(const Endpoint& endpoint) const {
    KeyHandle key;
    const std::wstring path = keyPath(endpoint) + L"\\Properties";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.handle) != ERROR_SUCCESS)
        return L"";
    for (const wchar_t* valueName : kNames) {
        RegistryValue name;
        if (readValue(key.handle, valueName, name) == ERROR_SUCCESS && name.present &&
            name.type == REG_SZ)
            return name.text();
    }
    return L"";
}

std::optional<DWORD> EndpointRegistry::storedState(const Endpoint& endpoint) const {
    KeyHandle key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath(endpoint).c_str(), 0, KEY_READ, &key.handle) !=
        ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue state;
    if (readValue(key.handle, L"DeviceState", state) != ERROR_SUCCESS || !state.present ||
        state.type != REG_DWORD || state.data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD value = 0;
    memcpy(&value, state.data.data(), sizeof value);
    return value;
}

}  // namespace veltra::setup
