#pragma once

#include <string>
#include <vector>

#include "HostPlatform.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace host {

// The module under test, reached only through its four exports, as the audio service reaches it:
// loaded from its file under Wine, linked in natively.
struct Module {
    std::wstring path;
    HRESULT (*canUnloadNow)() = nullptr;
    HRESULT (*getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (*registerServer)() = nullptr;
    HRESULT (*unregisterServer)() = nullptr;

    bool load(const std::wstring& file);  // Windows only
    // A new object of the class through its class factory; null on failure.
    IUnknown* create(const CLSID& clsid) const;
};

// One stream of the host: a float media type and the buffers and descriptors of one input and one
// output connection, as the audio engine sets them up before it locks a processing object.
struct Stream {
    Stream(UINT32 channels, float rate, UINT32 maxFrames);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    HRESULT lock(IAudioProcessingObjectConfiguration* apo);
    // One buffer through the real-time entry; the output connection's property is left in `out`.
    void process(IAudioProcessingObjectRT* apo, UINT32 frames,
                 APO_BUFFER_FLAGS flags = BUFFER_VALID);

    UINT32 channels;
    IAudioMediaType* format;
    std::vector<float> input, output;
    APO_CONNECTION_DESCRIPTOR inDesc{}, outDesc{};
    APO_CONNECTION_PROPERTY inProp{}, outProp{};
};

// A reference-counted interface pointer of the host, released at scope end.
template <typename T>
struct Held {
    T* p = nullptr;
    ~Held() {
        if (p != nullptr) p->Release();
    }
    T* operator->() const { return p; }
    void** out() { return reinterpret_cast<void**>(&p); }
};

// The interface `iid` of `object`, counted, or null.
template <typename T>
T* query(IUnknown* object, const wchar_t* iid) {
    T* answer = nullptr;
    if (object != nullptr) object->QueryInterface(guid(iid), reinterpret_cast<void**>(&answer));
    return answer;
}

// A new object of a class with the three processing interfaces the audio service uses, released
// at scope end; `ok` says whether all of them were there.
struct ProcessingObject {
    ProcessingObject(const Module& module, const CLSID& clsid);
    Held<IUnknown> object;
    Held<IAudioProcessingObject> apo;
    Held<IAudioProcessingObjectRT> rt;
    Held<IAudioProcessingObjectConfiguration> config;
    bool ok = false;
};

// The checks, each on a loaded module. The speaker's output must equal `reference`, the native
// playback engine's output for `input` (one second of stereo at 48 kHz, 10 ms buffers).
void checkUnloadRule(const Module& module);
void checkAggregation(const Module& module);
void checkSpeaker(const Module& module, const std::vector<float>& input,
                  const std::vector<float>& reference);
void checkMicrophone(const Module& module);
void checkRegistration(const Module& module, const std::string& infPath);  // Windows only
void checkUnregistration(const Module& module);                            // Windows only

}  // namespace host
