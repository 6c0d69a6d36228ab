#include "HostModule.h"

#include <fstream>
#include <type_traits>

#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "apo/AudioMediaType.h"

namespace host {

using namespace veltra::apo;

bool Module::load(const std::wstring& file) {
    handle = LoadLibraryW(file.c_str());
    if (handle == nullptr) return false;
    wchar_t full[MAX_PATH];
    path.assign(full, GetModuleFileNameW(handle, full, MAX_PATH));
    auto entry = [&](auto& pointer, const char* name) {
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
            reinterpret_cast<void*>(GetProcAddress(handle, name)));
        return pointer != nullptr;
    };
    return entry(canUnloadNow, "DllCanUnloadNow") && entry(getClassObject, "DllGetClassObject") &&
           entry(registerServer, "DllRegisterServer") &&
           entry(unregisterServer, "DllUnregisterServer");
}

IUnknown* Module::create(const CLSID& clsid) const {
    Held<IClassFactory> factory;
    if (FAILED(getClassObject(clsid, IID_IClassFactory, factory.out()))) return nullptr;
    IUnknown* object = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

ProcessingObject::ProcessingObject(const Module& module, const CLSID& clsid) {
    object.p = module.create(clsid);
    ok = object.p != nullptr &&
         SUCCEEDED(object->QueryInterface(ids::guid(ids::kApo), apo.out())) &&
         SUCCEEDED(object->QueryInterface(ids::guid(ids::kApoRT), rt.out())) &&
         SUCCEEDED(object->QueryInterface(ids::guid(ids::kApoConfiguration), config.out()));
}

Stream::Stream(UINT32 channelCount, float rate, UINT32 maxFrames)
    : channels(channelCount),
      format(AudioMediaType::create({KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, channelCount, 4, 32, rate,
                                     channelCount == 2 ? 3u : 0u})),
      input(std::size_t(channelCount) * maxFrames),
      output(std::size_t(channelCount) * maxFrames) {
    inDesc = {APO_CONNECTION_BUFFER_TYPE_EXTERNAL, reinterpret_cast<UINT_PTR>(input.data()),
              maxFrames, format, APO_CONNECTION_DESCRIPTOR_SIGNATURE};
    outDesc = inDesc;
    outDesc.pBuffer = reinterpret_cast<UINT_PTR>(output.data());
}

Stream::~Stream() {
    format->Release();
}

HRESULT Stream::lock(IAudioProcessingObjectConfiguration* apo) {
    APO_CONNECTION_DESCRIPTOR* in[1] = {&inDesc};
    APO_CONNECTION_DESCRIPTOR* out[1] = {&outDesc};
    return apo->LockForProcess(1, in, 1, out);
}

void Stream::process(IAudioProcessingObjectRT* apo, UINT32 frames, APO_BUFFER_FLAGS flags) {
    inProp = {reinterpret_cast<UINT_PTR>(input.data()), frames, flags, 0};
    outProp = {reinterpret_cast<UINT_PTR>(output.data()), 0, BUFFER_INVALID, 0};
    APO_CONNECTION_PROPERTY* in[1] = {&inProp};
    APO_CONNECTION_PROPERTY* out[1] = {&outProp};
    apo->APOProcess(1, in, 1, out);
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::vector<float> readFloats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<float> samples;
    for (float v; in.read(reinterpret_cast<char*>(&v), sizeof v);) samples.push_back(v);
    return samples;
}

}  // namespace host
