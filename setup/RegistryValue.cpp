#include "setup/RegistryValue.h"

namespace veltra::setup {

namespace {

std::vector<BYTE> bytesOf(const std::wstring& chars) {
    const auto* p = reinterpret_cast<const BYTE*>(chars.c_str());
    // A copy of the characters and their terminator, explicitly the range constructor.
    return std::vector<BYTE>(p, p + (chars.size() + 1) * sizeof(wchar_t));
}

std::wstring charsOf(const std::vector<BYTE>& data) {
    std::wstring chars(data.size() / sizeof(wchar_t), L'\0');
    if (!chars.empty()) memcpy(chars.data(), data.data(), chars.size() * sizeof(wchar_t));
    return chars;
}

}  // namespace

RegistryValue RegistryValue::string(const std::wstring& text) {
    return {true, REG_SZ, bytesOf(text)};
}

RegistryValue RegistryValue::multiString(const std::vector<std::wstring>& items) {
    std::wstring chars;
    for (const std::wstring& item : items) chars += item + L'\0';
    return {true, REG_MULTI_SZ, bytesOf(chars)};  // the list's own terminator is bytesOf's
}

std::wstring RegistryValue::text() const {
    std::wstring chars = charsOf(data);
    const std::size_t end = chars.find(L'\0');
    return end == std::wstring::npos ? chars : chars.substr(0, end);
}

std::vector<std::wstring> RegistryValue::items() const {
    const std::wstring chars = charsOf(data);
    std::vector<std::wstring> out;
    std::size_t at = 0;
    while (at < chars.size()) {
        const std::size_t end = chars.find(L'\0', at);
        const std::size_t stop = end == std::wstring::npos ? chars.size() : end;
        if (stop == at) break;  // the empty item that ends the list
        out.push_back(chars.substr(at, stop - at));
        at = stop + 1;
    }
    return out;
}

LONG readValue(HKEY key, const std::wstring& name, RegistryValue& value) {
    value = {};
    DWORD type = REG_NONE, size = 0;
    LONG error = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) return error;
    value.data.resize(size);
    error = RegQueryValueExW(key, name.c_str(), nullptr, &type, value.data.data(), &size);
    if (error != ERROR_SUCCESS) return error;
    value.data.resize(size);
    value.present = true;
    value.type = type;
    return ERROR_SUCCESS;
}

LONG writeValue(HKEY key, const std::wstring& name, const RegistryValue& value) {
    if (!value.present) {
        const LONG error = RegDeleteValueW(key, name.c_str());
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    return RegSetValueExW(key, name.c_str(), 0, value.type, value.data.data(),
                          static_cast<DWORD>(value.data.size()));
}

bool sameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

const char* typeName(DWORD type) {
    switch (type) {
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_QWORD:
            return "REG_QWORD";
        case REG_BINARY:
            return "REG_BINARY";
        default:
            return "another type";
    }
}

}  // namespace veltra::setup
