#include "setup/ModuleRegistration.h"

#include "setup/Identifiers.h"
#include "setup/RegistryValue.h"

namespace veltra::setup {

const wchar_t* ModuleRegistration::classFor(Flow flow) {
    return flow == Flow::Render ? ids::kSpeakerClass : ids::kMicrophoneClass;
}

std::wstring ModuleRegistration::problem(Flow flow) {
    const std::wstring clsid = classFor(flow);
    const std::wstring server = L"CLSID\\" + clsid + L"\\InprocServer32";
    RegistryValue path;
    LONG error = ERROR_SUCCESS;
    {
        KeyHandle key;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, KEY_READ, &key.handle) !=
            ERROR_SUCCESS)
            return L"the class " + clsid + L" is not registered";
        error = readValue(key.handle, L"", path);
    }
    if (error != ERROR_SUCCESS || !path.present ||
        (path.type != REG_SZ && path.type != REG_EXPAND_SZ))
        return L"the class " + clsid + L" names no server file";
    wchar_t expanded[MAX_PATH];
    const DWORD length = ExpandEnvironmentStringsW(path.text().c_str(), expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH || GetFileAttributesW(expanded) == INVALID_FILE_ATTRIBUTES)
        return L"the module " + path.text() + L" is missing";
    const std::wstring record = L"AudioEngine\\AudioProcessingObjects\\" + clsid;
    KeyHandle key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, record.c_str(), 0, KEY_READ, &key.handle) != ERROR_SUCCESS)
        return L"the audio engine has no record of " + clsid;
    return L"";
}

}  // namespace veltra::setup
