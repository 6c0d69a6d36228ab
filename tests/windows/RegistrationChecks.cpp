// What DllRegisterServer leaves in the registry, read back with the registry API as the audio
// service and COM read it: every HKCR value the example INF installs, the module's own path, the
// AppID and type library; and what DllUnregisterServer takes away again.
#include <windows.h>

#include <cstring>
#include <map>

#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"
#include "setup/Identifiers.h"
#include "tests/support/InfFile.h"

namespace host {

namespace {

const std::wstring kApoTree = L"AudioEngine\\AudioProcessingObjects\\";

// A REG_SZ value as text, a REG_DWORD as its decimal digits; empty when absent.
std::wstring readValue(const std::wstring& key, const wchar_t* name) {
    wchar_t data[1024];
    DWORD size = sizeof(data), type = 0, number = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, &type, data, &size) !=
        ERROR_SUCCESS)
        return {};
    if (type == REG_DWORD) return std::to_wstring((std::memcpy(&number, data, 4), number));
    return type == REG_SZ ? std::wstring(data, size / sizeof(wchar_t) - 1) : std::wstring{};
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

bool keyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
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

void checkRegistration(const Module& module, const std::string& infPath) {
    // Twice: a second registration replaces the records instead of adding to them.
    checkHr(module.registerServer(), S_OK, "DllRegisterServer");
    checkHr(module.registerServer(), S_OK, "DllRegisterServer again");
    veltra::testing::InfFile inf(infPath);
    int compared = 0;
    for (const std::string& line : inf.sections["VeltraDspApo.AddReg"]) {
        const std::vector<std::string> f = inf.fields(line);
        if (f.size() < 5 || f[0] != "HKCR") continue;
        const std::wstring key = widen(f[1]), name = widen(f[2]);
        std::wstring want = widen(f[4]);
        if (f[3] == "0x00010001") want = std::to_wstring(std::stoul(f[4], nullptr, 0));
        // The server path is the module's here, the driver store's in the INF; Windows compares
        // paths without regard to case.
        const bool path = name.empty() && key.ends_with(L"InprocServer32");
        const std::wstring got = readValue(key, name.empty() ? nullptr : name.c_str());
        if (!check(path ? lstrcmpiW(got.c_str(), module.path.c_str()) == 0 : got == want,
                   "registry value as the INF has it"))
            std::printf("  %s\\%s\n", f[1].c_str(), f[2].c_str());
        ++compared;
    }
    check(compared == 30, "the INF's 30 class and processing-object values");
    // The INF attaches each class as its endpoint's mode effect, streaming in the default mode,
    // under the keys the setup tool writes; the setup's identifiers are the module's.
    namespace setup = veltra::setup::ids;
    check(setup::kSpeakerClass == std::wstring(ids::kSpeakerClass) &&
              setup::kMicrophoneClass == std::wstring(ids::kMicrophoneClass) &&
              setup::kDefaultMode == std::wstring(ids::kModeDefault),
          "the setup's identifiers are the module's");
    for (const auto& [section, clsid] :
         {std::pair{"VeltraDspApo.Speaker.AddReg", ids::kSpeakerClass},
          std::pair{"VeltraDspApo.Microphone.AddReg", ids::kMicrophoneClass}}) {
        std::map<std::wstring, std::wstring> fx;
        for (const std::string& line : inf.sections[section])
            if (const auto f = inf.fields(line); f.size() >= 5) fx[widen(f[2])] = widen(f[4]);
        check(fx[setup::kModeEffect] == clsid && fx[setup::kModeEffectModes] == setup::kDefaultMode,
              "the INF attaches the class as its endpoint's mode effect");
    }
    check(readValue(L"AppID\\" + std::wstring(ids::kAppId), nullptr) == L"VeltraDspAPODll",
          "AppID default value");
    check(readValue(L"AppID\\VeltraDspAPODll.DLL", L"AppID") == ids::kAppId, "AppID of the module");
    checkTypeLibrary();
}

void checkUnregistration(const Module& module) {
    checkHr(module.unregisterServer(), S_OK, "DllUnregisterServer");
    for (const wchar_t* clsid : {ids::kSpeakerClass, ids::kMicrophoneClass}) {
        check(!keyExists(kApoTree + clsid), "processing-object record removed");
        check(!keyExists(L"CLSID\\" + std::wstring(clsid)), "class record removed");
    }
    check(!keyExists(std::wstring(L"TypeLib\\") + ids::kTypeLibrary), "type library removed");
    check(keyExists(L"AppID\\" + std::wstring(ids::kAppId)), "AppID records stay");
    checkHr(module.unregisterServer(), HRESULT(0x80070002), "unregistering twice: not found");
}

}  // namespace host
