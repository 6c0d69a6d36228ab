#include "HostPropertyStore.h"

namespace host {

namespace {
bool sameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) {
    return a.fmtid == b.fmtid && a.pid == b.pid;
}
}  // namespace

HRESULT HostPropertyStore::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPropertyStore) {
        *object = static_cast<IPropertyStore*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG HostPropertyStore::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT HostPropertyStore::GetCount(DWORD* count) {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<DWORD>(values_.size());
    return S_OK;
}

HRESULT HostPropertyStore::GetAt(DWORD index, PROPERTYKEY* key) {
    if (key == nullptr) return E_POINTER;
    if (index >= values_.size()) return E_INVALIDARG;
    *key = values_[index].first;
    return S_OK;
}

HRESULT HostPropertyStore::GetValue(REFPROPERTYKEY key, PROPVARIANT* value) {
    if (value == nullptr) return E_POINTER;
    PropVariantInit(value);
    for (const auto& [k, v] : values_) {
        if (sameKey(k, key)) *value = v;  // VT_UI4 only: a plain copy is a full copy
    }
    return S_OK;
}

HRESULT HostPropertyStore::SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) {
    if (value.vt != VT_UI4 && value.vt != VT_EMPTY) return E_INVALIDARG;
    for (auto& [k, v] : values_) {
        if (sameKey(k, key)) {
            v = value;
            return S_OK;
        }
    }
    values_.emplace_back(key, value);
    return S_OK;
}

void HostPropertyStore::setUInt32(const PROPERTYKEY& key, ULONG number) {
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UI4;
    value.ulVal = number;
    SetValue(key, value);
}

}  // namespace host
