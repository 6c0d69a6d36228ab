#include "HostModule.h"

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
    canUnloadNow = reinterpret_cast<decltype(canUnloadNow)>(
        reinterpret_cast<void*>(GetProcAddress(handle, "DllCanUnloadNow")));
    getClassObject = reinterpret_cast<decltype(getClassObject)>(
        reinterpret_cast<void*>(GetProcAddress(handle, "DllGetClassObject")));
    registerServer = reinterpret_cast<decltype(registerServer)>(
        reinterpret_cast<void*>(GetProcAddress(handle, "DllRegisterServer")));
    unregisterServer = reinterpret_cast<decltype(unregisterServer)>(
        reinterpret_cast<void*>(GetProcAddress(handle, "DllUnregisterServer")));
    return canUnloadNow && getClassObject && registerServer && unregisterServer;
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

std::wstring guidText(const GUID& guid) {
    wchar_t text[64];
    const int n = StringFromGUID2(guid, text, 64);
    return std::wstring(text, n > 0 ? std::size_t(n - 1) : 0);
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace host
