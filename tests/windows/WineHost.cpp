// A Windows host for VeltraDspAPO.dll, run under Wine by the tests: it loads the module, registers
// it, and drives both processing objects only through the module's exports and COM interfaces, as
// the audio service does. Exit status 0 when every check holds.
//
//   veltra_wine_host.exe MODULE INPUT.f32 REFERENCE.f32 EXAMPLE.inf
#include <cstdio>
#include <string>

#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"

namespace {

using namespace host;

void checkClassObjects(const Module& module) {
    void* factory = reinterpret_cast<void*>(1);
    checkHr(module.getClassObject(ids::guid(ids::kAppId), IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE, "DllGetClassObject of an unknown class");
    check(factory == nullptr, "an unknown class answers null");
    checkUnloadRule(module);

    // After registration COM finds both classes on its own, through InprocServer32.
    for (const wchar_t* clsid : {ids::kSpeakerClass, ids::kMicrophoneClass}) {
        Held<IUnknown> object;
        checkHr(CoCreateInstance(ids::guid(clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 object.out()),
                S_OK, "CoCreateInstance");
        if (object.p != nullptr) checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow alive");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s MODULE INPUT.f32 REFERENCE.f32 EXAMPLE.inf\n", argv[0]);
        return 64;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Module module;
    if (!check(module.load(widen(argv[1])), "the module loads and exports its four entry points"))
        return 1;
    checkRegistration(module, argv[4]);
    checkClassObjects(module);
    checkSpeaker(module, argv[2], argv[3]);
    checkMicrophone(module);
    checkAggregation(module);
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow after the last release");
    checkUnregistration(module);
    CoUninitialize();
    std::printf("%s: %d failed checks\n", failures() == 0 ? "PASS" : "FAIL", failures());
    return failures() == 0 ? 0 : 1;
}
