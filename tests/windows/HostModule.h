#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "apo/platform/AudioEngineApoInterfaces.h"

namespace host {

using veltra::apo::IAudioMediaType;

// The module under test, reached only through its four exports, as the audio service reaches it.
struct Module {
    HMODULE handle = nullptr;
    std::wstring path;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;

    bool load(const std::wstring& file);
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

    HRESULT lock(veltra::apo::IAudioProcessingObjectConfiguration* apo);
    // One buffer through the real-time entry; the output connection's property is left in `out`.
    void process(veltra::apo::IAudioProcessingObjectRT* apo, UINT32 frames,
                 veltra::apo::APO_BUFFER_FLAGS flags = veltra::apo::BUFFER_VALID);

    UINT32 channels;
    IAudioMediaType* format;
    std::vector<float> input, output;
    veltra::apo::APO_CONNECTION_DESCRIPTOR inDesc{}, outDesc{};
    veltra::apo::APO_CONNECTION_PROPERTY inProp{}, outProp{};
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

// A new object of a class with the three processing interfaces the audio service uses, released
// at scope end; `ok` says whether all of them were there.
struct ProcessingObject {
    ProcessingObject(const Module& module, const CLSID& clsid);
    Held<IUnknown> object;
    Held<veltra::apo::IAudioProcessingObject> apo;
    Held<veltra::apo::IAudioProcessingObjectRT> rt;
    Held<veltra::apo::IAudioProcessingObjectConfiguration> config;
    bool ok = false;
};

std::wstring widen(const std::string& text);
// Raw 32-bit float samples, as sox writes them with `-t f32`.
std::vector<float> readFloats(const std::string& path);

void checkRegistration(const Module& module, const std::string& infPath);
void checkUnregistration(const Module& module);
void checkSpeaker(const Module& module, const std::string& input, const std::string& reference);
void checkMicrophone(const Module& module);
void checkAggregation(const Module& module);
void checkUnloadRule(const Module& module);

}  // namespace host
