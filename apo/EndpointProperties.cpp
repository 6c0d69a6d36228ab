#include "apo/EndpointProperties.h"

namespace veltra::apo {

const PROPERTYKEY PKEY_Endpoint_Enable_SpkMFX = {
    {0x7E3A1D5C, 0xB842, 0x4E96, {0xA1, 0xF0, 0x39, 0xC6, 0xD8, 0xB2, 0xE5, 0x7A}}, 0};
const PROPERTYKEY PKEY_AudioEndpoint_Disable_SysFx = {
    {0x1DA5D803, 0xD492, 0x4EDD, {0x8C, 0x23, 0xE0, 0xC0, 0xFF, 0xEE, 0x7F, 0x0E}}, 5};
const GUID AUDIO_SIGNALPROCESSINGMODE_DEFAULT = {
    0xC18E2F7E, 0x933D, 0x4965, {0xB7, 0xD1, 0x1E, 0xEF, 0x22, 0x8D, 0x2A, 0xF3}};
const GUID AUDIO_SIGNALPROCESSINGMODE_RAW = {
    0x9E90EA20, 0xB493, 0x4FD1, {0xA1, 0xA8, 0x7E, 0x13, 0x61, 0xA9, 0x56, 0xCF}};

namespace {

// Reads one property; false when the read fails. The value is always cleared before returning.
bool readUInt32(IPropertyStore* store, const PROPERTYKEY& key, bool& isNonZeroUInt32) {
    PROPVARIANT value;
    PropVariantInit(&value);
    const HRESULT hr = store->GetValue(key, &value);
    isNonZeroUInt32 = SUCCEEDED(hr) && value.vt == VT_UI4 && value.ulVal != 0;
    PropVariantClear(&value);
    return SUCCEEDED(hr);
}

}  // namespace

int readEffectsEnable(IPropertyStore* store, const PROPERTYKEY& key, const GUID& mode) {
    if (store == nullptr) return 0;
    bool disabled = false;
    const bool allowed = readUInt32(store, PKEY_AudioEndpoint_Disable_SysFx, disabled) && !disabled;
    bool enabled = false;
    const bool read = readUInt32(store, key, enabled);
    return allowed && read && enabled && !(mode == AUDIO_SIGNALPROCESSINGMODE_RAW) ? 1 : 0;
}

}  // namespace veltra::apo
