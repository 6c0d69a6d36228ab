#include "apo/ModuleEntryPoints.h"

#include <new>
#include <string>

#include "apo/ApoClassFactory.h"
#include "apo/ApoObjectBase.h"
#include "apo/ApoRegistrationRecords.h"
#include "apo/ProcessingObjectRegistrar.h"
#include "apo/VeltraDspMicAPOMFX.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "apo/platform/GuidText.h"
#include "apo/platform/ModulePath.h"
#include "apo/platform/SystemError.h"
#include "apo/platform/ThreadLocale.h"
#include "apo/platform/TypeLibrary.h"

using namespace veltra::apo;

namespace {

template <typename Object>
ApoObjectBase* createObject(IUnknown* outer) {
    try {
        return Object::create(outer);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

struct ClassEntry {
    const CLSID& classId;
    const char* description;
    ApoClassFactory& factory;
};

ApoClassFactory gSpeakerFactory(&createObject<VeltraDspSpkAPOMFX>);
ApoClassFactory gMicrophoneFactory(&createObject<VeltraDspMicAPOMFX>);

const ClassEntry kClasses[] = {
    {CLSID_VeltraDspSpkAPOMFX, "VeltraDspSpkAPOMFX Class", gSpeakerFactory},
    {CLSID_VeltraDspMicAPOMFX, "VeltraDspMicAPOMFX Class", gMicrophoneFactory},
};

constexpr const char* kAppName = "VeltraDspAPODll";

HRESULT check(LONG error) {
    return hresultFromSystemError(error);
}

HRESULT writeAppId(Registry& registry) {
    const std::string appId = guidToRegistryString(APPID_VeltraDspAPODll);
    const std::string byId = "AppID\\" + appId;
    const std::string byName = std::string("AppID\\") + kAppName + ".DLL";
    LONG error = registry.createKey(byId);
    if (error == ERROR_SUCCESS) error = registry.setString(byId, "", kAppName);
    if (error == ERROR_SUCCESS) error = registry.createKey(byName);
    if (error == ERROR_SUCCESS) error = registry.setString(byName, "AppID", appId);
    return check(error);
}

HRESULT writeClass(Registry& registry, const ClassEntry& entry, const std::string& module) {
    const std::string name = guidToRegistryString(entry.classId);
    const std::string key = "CLSID\\" + name;
    const std::string server = key + "\\InprocServer32";
    registry.deleteTree("CLSID", name);  // the class key is replaced whole
    LONG error = registry.createKey(key);
    if (error == ERROR_SUCCESS) error = registry.setString(key, "", entry.description);
    if (error == ERROR_SUCCESS) error = registry.createKey(server);
    if (error == ERROR_SUCCESS) error = registry.setString(server, "", module);
    if (error == ERROR_SUCCESS) error = registry.setString(server, "ThreadingModel", "Both");
    return check(error);
}

}  // namespace

extern "C" HRESULT DllCanUnloadNow() {
    return ApoObjectBase::liveObjects() == 0 && ApoClassFactory::moduleHolds() == 0 ? S_OK
                                                                                    : S_FALSE;
}

extern "C" HRESULT DllGetClassObject(REFCLSID classId, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    for (const ClassEntry& entry : kClasses) {
        if (entry.classId == classId) return entry.factory.QueryInterface(riid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT DllRegisterServer() {
    Registry& registry = moduleRegistry();
    ProcessingObjectRegistrar registrar(registry);
    HRESULT hr = registrar.registerProcessingObject(&speakerRegistration());
    if (FAILED(hr)) return hr;
    hr = registrar.registerProcessingObject(&microphoneRegistration());
    if (FAILED(hr)) {
        registrar.unregisterProcessingObject(CLSID_VeltraDspSpkAPOMFX);
        return hr;
    }
    const ScopedSystemLocale locale;
    hr = writeAppId(registry);
    const std::string module = modulePath();
    for (const ClassEntry& entry : kClasses) {
        if (SUCCEEDED(hr)) hr = writeClass(registry, entry, module);
    }
    if (SUCCEEDED(hr)) hr = registerTypeLibrary(LIBID_VeltraDspAPOLib, module);
    if (FAILED(hr)) {
        registrar.unregisterProcessingObject(CLSID_VeltraDspSpkAPOMFX);
        registrar.unregisterProcessingObject(CLSID_VeltraDspMicAPOMFX);
        return hr;
    }
    return S_OK;
}

extern "C" HRESULT DllUnregisterServer() {
    Registry& registry = moduleRegistry();
    for (const ClassEntry& entry : kClasses)
        registry.deleteTree("CLSID", guidToRegistryString(entry.classId));
    // A library that was never registered is no reason to keep the processing-object records.
    unregisterTypeLibrary(LIBID_VeltraDspAPOLib);
    ProcessingObjectRegistrar registrar(registry);
    registrar.unregisterProcessingObject(CLSID_VeltraDspSpkAPOMFX);
    return registrar.unregisterProcessingObject(CLSID_VeltraDspMicAPOMFX);
}
