#include "HostModule.h"

#include <type_traits>

#include "HostIdentifiers.h"
#include "apo/AudioMediaType.h"

namespace host {

#if defined(_WIN32)
bool Module::load(const std::wstring& file) {
    const HMODULE handle = LoadLibraryW(file.c_str());
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

RenderDevices::RenderDevices() {
    Held<IMMDeviceEnumerator> enumerator;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                   __uuidof(IMMDeviceEnumerator), enumerator.out())))
        enumerator->EnumAudioEndpoints(eRender, DEVICE_STATEMASK_ALL, &p);
}
RenderDevices::~RenderDevices() {
    if (p != nullptr) p->Release();
}
#else
// A stand-in the module only passes on.
RenderDevices::RenderDevices()
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    : p(reinterpret_cast<IMMDeviceCollection*>(std::uintptr_t{0x1000})) {}
RenderDevices::~RenderDevices() {}  // the stand-in owns nothing
#endif

IUnknown* Module::create(const CLSID& clsid) const {
    Held<IClassFactory> factory;
    IUnknown* object = nullptr;
    if (FAILED(getClassObject(clsid, IID_IClassFactory, factory.out())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object))))
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
    inDesc = {APO_CONNECTION_BUFFER_TYPE_EXTERNAL, reinterpret_cast<std::uintptr_t>(input.data()),
              maxFrames, format, APO_CONNECTION_DESCRIPTOR_SIGNATURE};
    outDesc = inDesc;
    outDesc.pBuffer = reinterpret_cast<std::uintptr_t>(output.data());
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
    inProp = {reinterpret_cast<std::uintptr_t>(input.data()), frames, flags, 0};
    outProp = {reinterpret_cast<std::uintptr_t>(output.data()), 0, BUFFER_INVALID, 0};
    APO_CONNECTION_PROPERTY* in[1] = {&inProp};
    APO_CONNECTION_PROPERTY* out[1] = {&outProp};
    apo->APOProcess(1, in, 1, out);
}

}  // namespace host
