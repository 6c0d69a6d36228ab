#pragma once

// What the host's checks need from the system. Under Wine they drive the real DLL and take it from
// Windows itself; natively the same checks drive the module linked into a test binary, under the
// sanitizers, and take it from our platform layer's stand-ins.

#include <cstdint>
#include <cwchar>

#include "apo/platform/AudioEngineApoInterfaces.h"
#include "apo/platform/DeviceTypes.h"

#if defined(_WIN32)
#include <objbase.h>
#define HOST_CALL STDMETHODCALLTYPE
#else
#include "apo/BaseAudioProcessingObject.h"
#define HOST_CALL
#endif

namespace host {

using namespace veltra::apo;

// A GUID from its registry text form.
inline GUID guid(const wchar_t* text) {
    GUID value{};
#if defined(_WIN32)
    CLSIDFromString(text, &value);
#else
    unsigned d[11] = {};
    std::swscanf(text, L"{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d[0], &d[1], &d[2], &d[3],
                 &d[4], &d[5], &d[6], &d[7], &d[8], &d[9], &d[10]);
    value = {d[0], std::uint16_t(d[1]), std::uint16_t(d[2]), {}};
    for (int i = 0; i < 8; ++i) value.Data4[i] = std::uint8_t(d[3 + i]);
#endif
    return value;
}

// What the audio service hands a mode effect of `clsid` on an endpoint in Initialize.
inline APOInitSystemEffects2 systemEffects(const CLSID& clsid, IPropertyStore* store,
                                           IMMDeviceCollection* devices, const GUID& mode) {
    APOInitSystemEffects2 init{};
    init.APOInit = {sizeof(APOInitSystemEffects2), clsid};
    init.pAPOSystemEffectsProperties = store;
    init.pDeviceCollection = devices;
    init.AudioProcessingMode = mode;
    return init;
}

// A text the module writes (UTF-16) equals an ASCII literal.
template <typename Unit>
bool sameText(const Unit* text, const char* ascii) {
    while (*ascii != 0 && Unit(*ascii) == *text) ++ascii, ++text;
    return *ascii == 0 && *text == 0;
}

// Events and task memory: the system's under Wine, our stand-ins natively.
#if defined(_WIN32)
struct System {
    static HANDLE newEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    static bool isSet(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
    static void closeEvent(HANDLE event) { CloseHandle(event); }
    static void freeTask(void* memory) { CoTaskMemFree(memory); }
};
#else
struct System {
    static HANDLE newEvent() { return veltra::apo::testing::createEvent(); }
    static bool isSet(HANDLE event) { return veltra::apo::testing::eventIsSet(event); }
    static void closeEvent(HANDLE event) { closeEventHandle(event); }
    static void freeTask(void* memory) { taskFree(memory); }
};
#endif

// The render endpoints for the initialisation structure: the system enumerator's under Wine; the
// module only passes the collection on, so natively any pointer stands in for it.
struct RenderDevices {
    RenderDevices();
    ~RenderDevices();
    RenderDevices(const RenderDevices&) = delete;
    RenderDevices& operator=(const RenderDevices&) = delete;
    IMMDeviceCollection* p = nullptr;
};

}  // namespace host
