#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace veltra::setup {

// One registry value as stored: its type and its bytes, or its absence. Backups keep values in
// this form, so restoring one writes back exactly what was there.
struct RegistryValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    static RegistryValue string(const std::wstring& text);
    static RegistryValue multiString(const std::vector<std::wstring>& items);

    // The text of a REG_SZ (or REG_EXPAND_SZ) value, without its terminator.
    std::wstring text() const;
    // The items of a REG_MULTI_SZ value.
    std::vector<std::wstring> items() const;
    bool operator==(const RegistryValue& other) const = default;
};

// Reads `name` under an open key; an absent value is not an error.
LONG readValue(HKEY key, const std::wstring& name, RegistryValue& value);
// Writes a present value, deletes an absent one (deleting what is not there is no error).
LONG writeValue(HKEY key, const std::wstring& name, const RegistryValue& value);

const char* typeName(DWORD type);

// Registry names and class identifiers compare without regard to case, as Windows compares them.
bool sameText(const std::wstring& a, const std::wstring& b);

// An open key, closed when it goes out of scope.
struct KeyHandle {
    HKEY handle = nullptr;
    KeyHandle() = default;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        if (handle != nullptr) RegCloseKey(handle);
    }
};

}  // namespace veltra::setup
