// The platform layer on Windows: thin wrappers over the system registry, device enumerator,
// events and module handle. Elsewhere MemoryRegistry.cpp, MemoryDevices.cpp and ModulePath.cpp
// provide the same functions.
#if defined(_WIN32)
#include <mmdeviceapi.h>
#include <oleauto.h>
#include <windows.h>

#include <string>

#include "apo/platform/DeviceTypes.h"
#include "apo/platform/ModulePath.h"
#include "apo/platform/Registry.h"
#include "apo/platform/ThreadLocale.h"
#include "apo/platform/TypeLibrary.h"

// Declared by mmdeviceapi.h but not defined by any MinGW-w64 import library.
extern "C" const IID IID_IMMNotificationClient = {
    0x7991EEC9, 0x7E89, 0x4D85, {0x83, 0x90, 0x6C, 0x70, 0x3C, 0xEC, 0x60, 0xC0}};

namespace veltra::apo {

namespace {

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

class SystemRegistry final : public Registry {
  public:
    LONG createKey(const std::string& path) override {
        HKEY key = nullptr;
        const LONG error = RegCreateKeyExW(HKEY_CLASSES_ROOT, wide(path).c_str(), 0, nullptr, 0,
                                           KEY_WRITE, nullptr, &key, nullptr);
        if (error == ERROR_SUCCESS) RegCloseKey(key);
        return error;
    }
    LONG openKey(const std::string& path) override {
        HKEY key = nullptr;
        const LONG error = RegOpenKeyExW(HKEY_CLASSES_ROOT, wide(path).c_str(), 0, KEY_WRITE, &key);
        if (error == ERROR_SUCCESS) RegCloseKey(key);
        return error;
    }
    LONG deleteTree(const std::string& parent, const std::string& subkey) override {
        HKEY key = nullptr;
        LONG error =
            RegOpenKeyExW(HKEY_CLASSES_ROOT, wide(parent).c_str(), 0, KEY_ALL_ACCESS, &key);
        if (error != ERROR_SUCCESS) return error;
        error = RegDeleteTreeW(key, wide(subkey).c_str());
        RegCloseKey(key);
        return error;
    }
    LONG setString(const std::string& path, const std::string& name,
                   const std::string& value) override {
        const std::wstring data = wide(value);
        return setValue(path, name, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    LONG setNumber(const std::string& path, const std::string& name, std::uint32_t value) override {
        const DWORD data = value;
        return setValue(path, name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    }

  private:
    static LONG setValue(const std::string& path, const std::string& name, DWORD type,
                         const BYTE* data, DWORD size) {
        HKEY key = nullptr;
        LONG error = RegOpenKeyExW(HKEY_CLASSES_ROOT, wide(path).c_str(), 0, KEY_WRITE, &key);
        if (error != ERROR_SUCCESS) return error;
        const std::wstring valueName = wide(name);
        error =
            RegSetValueExW(key, name.empty() ? nullptr : valueName.c_str(), 0, type, data, size);
        RegCloseKey(key);
        return error;
    }
};

HMODULE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

}  // namespace

Registry& moduleRegistry() {
    static SystemRegistry registry;
    return registry;
}

HRESULT createDeviceEnumerator(IMMDeviceEnumerator** enumerator) {
    if (enumerator == nullptr) return E_POINTER;
    *enumerator = nullptr;
    return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                            __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(enumerator));
}

LONG duplicateEventForSetting(HANDLE source, HANDLE* duplicate) {
    if (DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), duplicate,
                        EVENT_MODIFY_STATE, FALSE, 0)) {
        return ERROR_SUCCESS;
    }
    return static_cast<LONG>(GetLastError());
}

void setEventHandle(HANDLE event) {
    SetEvent(event);
}

void closeEventHandle(HANDLE event) {
    CloseHandle(event);
}

std::string modulePath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(thisModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(length), out.data(), size, nullptr,
                        nullptr);
    return out;
}

HRESULT registerTypeLibrary(const GUID& library, const std::string& modulePath) {
    std::wstring path = wide(modulePath);  // RegisterTypeLib takes a non-const path
    ITypeLib* typeLibrary = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &typeLibrary);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = typeLibrary->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        // The resource and the module's own identifier must agree, or unregistration would miss it.
        const bool same = attributes->guid == library;
        typeLibrary->ReleaseTLibAttr(attributes);
        hr = same ? RegisterTypeLib(typeLibrary, path.data(), nullptr) : TYPE_E_LIBNOTREGISTERED;
    }
    typeLibrary->Release();
    return hr;
}

HRESULT unregisterTypeLibrary(const GUID& library) {
    return UnRegisterTypeLib(library, 1, 0, LANG_NEUTRAL, SYS_WIN64);
}

ScopedSystemLocale::ScopedSystemLocale() : previous_(GetThreadLocale()) {
    SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
}

ScopedSystemLocale::~ScopedSystemLocale() {
    SetThreadLocale(static_cast<LCID>(previous_));
}

}  // namespace veltra::apo
#endif
