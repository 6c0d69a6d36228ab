// A Windows host for VeltraDspAPO.dll, run under Wine by the tests: it loads the module, registers
// it, and drives both processing objects only through the module's exports and COM interfaces, as
// the audio service does. Exit status 0 when every check holds.
//
//   veltra_wine_host.exe MODULE INPUT.f32 REFERENCE.f32 EXAMPLE.inf
#include <cstdio>
#include <fstream>
#include <string>

#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"

namespace {

using namespace host;

// Raw 32-bit float samples, the data chunk of a float WAV file.
std::vector<float> readFloats(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<float> samples;
    for (float v; in.read(reinterpret_cast<char*>(&v), sizeof v);) samples.push_back(v);
    return samples;
}

// After registration COM finds both classes on its own, through InprocServer32.
void checkCoCreate(const Module& module) {
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
    const std::string file = argv[1];
    if (!check(module.load(std::wstring(file.begin(), file.end())),
               "the module loads and exports its four entry points"))
        return 1;
    checkRegistration(module, argv[4]);
    checkUnloadRule(module);
    checkCoCreate(module);
    checkSpeaker(module, readFloats(argv[2]), readFloats(argv[3]));
    checkMicrophone(module);
    checkAggregation(module);
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow after the last release");
    checkUnregistration(module);
    CoUninitialize();
    std::printf("%s: %d failed checks\n", failures() == 0 ? "PASS" : "FAIL", failures());
    return failures() == 0 ? 0 : 1;
}
