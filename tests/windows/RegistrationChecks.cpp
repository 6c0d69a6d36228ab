// What DllRegisterServer leaves in the registry, read back with the registry API as the audio
// service and COM read it, and what DllUnregisterServer takes away again.
#include <windows.h>

#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"

namespace host {

namespace {

struct ClassRecords {
    const wchar_t* clsid;
    const wchar_t* iid;
    const wchar_t* name;
};

bool readString(const std::wstring& key, const wchar_t* name, std::wstring& out) {
    wchar_t data[1024];
    DWORD size = sizeof(data);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, &type, data, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    out.assign(data, size / sizeof(wchar_t) - 1);  // the stored text includes its NUL
    return true;
}

void expectString(const std::wstring& key, const wchar_t* name, const std::wstring& want,
                  const char* what) {
    std::wstring got;
    check(readString(key, name, got) && got == want, what);
}

void expectNumber(const std::wstring& key, const wchar_t* name, DWORD want, const char* what) {
    DWORD data = 0, size = sizeof(data), type = 0;
    const LONG error =
        RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, &type, &data, &size);
    check(error == ERROR_SUCCESS && type == REG_DWORD && data == want, what);
}

bool keyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

const std::wstring kApoTree = L"AudioEngine\\AudioProcessingObjects\\";
const std::wstring kAppId = ids::kAppId;

void checkClass(const Module& module, const ClassRecords& c) {
    const std::wstring apo = kApoTree + c.clsid;
    expectString(apo, L"FriendlyName", c.name, "FriendlyName");
    std::wstring copyright;
    check(readString(apo, L"Copyright", copyright) && !copyright.empty(), "Copyright");
    expectNumber(apo, L"MajorVersion", 1, "MajorVersion");
    expectNumber(apo, L"MinorVersion", 0, "MinorVersion");
    expectNumber(apo, L"Flags", 14, "Flags");
    expectNumber(apo, L"MinInputConnections", 1, "MinInputConnections");
    expectNumber(apo, L"MaxInputConnections", 1, "MaxInputConnections");
    expectNumber(apo, L"MinOutputConnections", 1, "MinOutputConnections");
    expectNumber(apo, L"MaxOutputConnections", 1, "MaxOutputConnections");
    expectNumber(apo, L"MaxInstances", 0xFFFFFFFF, "MaxInstances");
    expectNumber(apo, L"NumAPOInterfaces", 1, "NumAPOInterfaces");
    expectString(apo, L"APOInterface0", c.iid, "APOInterface0");

    const std::wstring clsid = L"CLSID\\" + std::wstring(c.clsid);
    expectString(clsid, nullptr, std::wstring(c.name) + L" Class", "CLSID default value");
    std::wstring server;
    check(readString(clsid + L"\\InprocServer32", nullptr, server) &&
              lstrcmpiW(server.c_str(), module.path.c_str()) == 0,
          "InprocServer32 names the module");
    expectString(clsid + L"\\InprocServer32", L"ThreadingModel", L"Both", "ThreadingModel");
}

void checkTypeLibrary() {
    ITypeLib* library = nullptr;
    if (!check(
            SUCCEEDED(LoadRegTypeLib(ids::guid(ids::kTypeLibrary), 1, 0, LANG_NEUTRAL, &library)),
            "registered type library loads"))
        return;
    for (const wchar_t* iid : {ids::kSpeakerInterface, ids::kMicrophoneInterface}) {
        ITypeInfo* info = nullptr;
        check(SUCCEEDED(library->GetTypeInfoOfGuid(ids::guid(iid), &info)),
              "type library describes interface");
        if (info != nullptr) info->Release();
    }
    library->Release();
}

}  // namespace

void checkRegistration(const Module& module) {
    const ClassRecords classes[] = {
        {ids::kSpeakerClass, ids::kSpeakerInterface, L"VeltraDspSpkAPOMFX"},
        {ids::kMicrophoneClass, ids::kMicrophoneInterface, L"VeltraDspMicAPOMFX"}};
    // Twice: a second registration replaces the records instead of adding to them.
    checkHr(module.registerServer(), S_OK, "DllRegisterServer");
    checkHr(module.registerServer(), S_OK, "DllRegisterServer again");
    for (const ClassRecords& c : classes) checkClass(module, c);
    expectString(L"AppID\\" + kAppId, nullptr, L"VeltraDspAPODll", "AppID default value");
    expectString(L"AppID\\VeltraDspAPODll.DLL", L"AppID", kAppId, "AppID of the module name");
    checkTypeLibrary();
}

void checkUnregistration(const Module& module) {
    checkHr(module.unregisterServer(), S_OK, "DllUnregisterServer");
    for (const wchar_t* clsid : {ids::kSpeakerClass, ids::kMicrophoneClass}) {
        check(!keyExists(kApoTree + clsid), "processing-object record removed");
        check(!keyExists(L"CLSID\\" + std::wstring(clsid)), "class record removed");
    }
    check(!keyExists(std::wstring(L"TypeLib\\") + ids::kTypeLibrary), "type library removed");
    check(keyExists(L"AppID\\" + kAppId), "AppID records stay");
    checkHr(module.unregisterServer(), HRESULT(0x80070002), "unregistering twice: not found");
}

}  // namespace host
