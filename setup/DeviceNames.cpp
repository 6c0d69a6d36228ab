#include "setup/DeviceNames.h"

#include <mmdeviceapi.h>

namespace veltra::setup {

namespace {

// CLSID_MMDeviceEnumerator and IID_IMMDeviceEnumerator, as mmdeviceapi.h documents them; spelled
// out so the tool needs no import library for them.
const CLSID kEnumeratorClass = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
const IID kEnumeratorInterface = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
// PKEY_Device_FriendlyName (functiondiscoverykeys_devpkey.h).
const PROPERTYKEY kFriendlyName = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

template <typename T>
struct Held {
    T* p = nullptr;
    ~Held() {
        if (p != nullptr) p->Release();
    }
};

}  // namespace

DeviceNames::DeviceNames() {
    IMMDeviceEnumerator* enumerator = nullptr;
    if (SUCCEEDED(CoCreateInstance(kEnumeratorClass, nullptr, CLSCTX_ALL, kEnumeratorInterface,
                                   reinterpret_cast<void**>(&enumerator))))
        enumerator_ = enumerator;
}

DeviceNames::~DeviceNames() {
    if (enumerator_ != nullptr) enumerator_->Release();
}

std::optional<std::wstring> DeviceNames::name(const std::wstring& endpointId) const {
    if (enumerator_ == nullptr) return std::nullopt;
    Held<IMMDevice> device;
    if (FAILED(enumerator_->GetDevice(endpointId.c_str(), &device.p))) return std::nullopt;
    Held<IPropertyStore> store;
    if (FAILED(device.p->OpenPropertyStore(STGM_READ, &store.p))) return std::nullopt;
    PROPVARIANT value;
    PropVariantInit(&value);
    std::optional<std::wstring> out;
    if (SUCCEEDED(store.p->GetValue(kFriendlyName, &value)) && value.vt == VT_LPWSTR &&
        value.pwszVal != nullptr)
        out = value.pwszVal;
    PropVariantClear(&value);
    return out;
}

std::optional<DWORD> DeviceNames::state(const std::wstring& endpointId) const {
    if (enumerator_ == nullptr) return std::nullopt;
    Held<IMMDevice> device;
    DWORD state = 0;
    if (FAILED(enumerator_->GetDevice(endpointId.c_str(), &device.p)) ||
        FAILED(device.p->GetState(&state)))
        return std::nullopt;
    return state;
}

std::optional<std::wstring> DeviceNames::defaultEndpoint(int flow) const {
    if (enumerator_ == nullptr) return std::nullopt;
    Held<IMMDevice> device;
    if (FAILED(enumerator_->GetDefaultAudioEndpoint(flow == 0 ? eRender : eCapture, eConsole,
                                                    &device.p)))
        return std::nullopt;
    LPWSTR id = nullptr;
    if (FAILED(device.p->GetId(&id)) || id == nullptr) return std::nullopt;
    std::wstring out = id;
    CoTaskMemFree(id);
    return out;
}

}  // namespace veltra::setup
