#include "setup/AttachmentBackup.h"

#include <algorithm>

namespace veltra::setup {

namespace {

constexpr const wchar_t* kRoot = L"SOFTWARE\\VeltraDsp\\Setup\\Backup";
constexpr const wchar_t* kAbsent = L"Absent";
constexpr const wchar_t* kCreatedKey = L"CreatedKey";

}  // namespace

std::wstring AttachmentBackup::keyPath(const Endpoint& endpoint) {
    return std::wstring(kRoot) + L"\\" + endpoint.flowName() + L"\\" + endpoint.guid;
}

bool AttachmentBackup::exists(const Endpoint& endpoint) const {
    KeyHandle key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath(endpoint).c_str(), 0, KEY_READ, &key.handle) ==
           ERROR_SUCCESS;
}

LONG AttachmentBackup::save(const Endpoint& endpoint, const SavedValues& values,
                            bool createdEffectsKey) const {
    KeyHandle key;
    LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath(endpoint).c_str(), 0, nullptr, 0,
                                 KEY_WRITE, nullptr, &key.handle, nullptr);
    std::vector<std::wstring> absent;
    for (const auto& [name, value] : values) {
        if (error != ERROR_SUCCESS) break;
        if (value.present) {
            error = writeValue(key.handle, name, value);
        } else {
            absent.push_back(name);
        }
    }
    if (error == ERROR_SUCCESS)
        error = writeValue(key.handle, kAbsent, RegistryValue::multiString(absent));
    if (error == ERROR_SUCCESS) {
        const DWORD created = createdEffectsKey ? 1 : 0;
        error = RegSetValueExW(key.handle, kCreatedKey, 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&created), sizeof created);
    }
    if (error != ERROR_SUCCESS && key.handle != nullptr) {
        RegCloseKey(key.handle);
        key.handle = nullptr;
        remove(endpoint);  // a backup that is not whole must not be trusted later
    }
    return error;
}

LONG AttachmentBackup::load(const Endpoint& endpoint, const std::vector<std::wstring>& names,
                            SavedValues& values, bool& createdEffectsKey) const {
    values.clear();
    KeyHandle key;
    LONG error =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath(endpoint).c_str(), 0, KEY_READ, &key.handle);
    if (error != ERROR_SUCCESS) return error;
    RegistryValue absentList;
    error = readValue(key.handle, kAbsent, absentList);
    if (error != ERROR_SUCCESS) return error;
    if (!absentList.present || absentList.type != REG_MULTI_SZ) return ERROR_INVALID_DATA;
    const std::vector<std::wstring> absent = absentList.items();
    RegistryValue created;
    error = readValue(key.handle, kCreatedKey, created);
    if (error != ERROR_SUCCESS) return error;
    if (!created.present || created.type != REG_DWORD || created.data.size() != sizeof(DWORD))
        return ERROR_INVALID_DATA;
    createdEffectsKey = created.data[0] != 0;
    for (const std::wstring& name : names) {
        RegistryValue value;
        error = readValue(key.handle, name, value);
        if (error != ERROR_SUCCESS) return error;
        const bool wasAbsent = std::find(absent.begin(), absent.end(), name) != absent.end();
        if (value.present == wasAbsent) return ERROR_INVALID_DATA;  // neither or both: damaged
        values.emplace_back(name, value);
    }
    return ERROR_SUCCESS;
}

LONG AttachmentBackup::remove(const Endpoint& endpoint) const {
    const LONG error = RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath(endpoint).c_str());
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return error;
    // The last backup takes its parent keys with it, so a full detach leaves nothing behind;
    // a key that still holds another endpoint's backup refuses to go, which is what is wanted.
    std::wstring path = keyPath(endpoint);
    for (int level = 0; level < 4; ++level) {
        path.erase(path.rfind(L'\\'));
        if (RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS) break;
    }
    return ERROR_SUCCESS;
}

}  // namespace veltra::setup
