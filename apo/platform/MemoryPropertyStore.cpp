#include "apo/platform/MemoryPropertyStore.h"

#include <algorithm>

namespace veltra::apo {

HRESULT MemoryPropertyStore::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_IPropertyStore)) return E_NOINTERFACE;
    *object = static_cast<IPropertyStore*>(this);
    AddRef();
    return S_OK;
}

ULONG MemoryPropertyStore::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT MemoryPropertyStore::GetCount(DWORD* count) {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<DWORD>(values_.size());
    return S_OK;
}

HRESULT MemoryPropertyStore::GetAt(DWORD index, PROPERTYKEY* key) {
    if (key == nullptr) return E_POINTER;
    if (index >= values_.size()) return E_INVALIDARG;
    *key = values_[index].first;
    return S_OK;
}

HRESULT MemoryPropertyStore::GetValue(REFPROPERTYKEY key, PROPVARIANT* value) {
    if (value == nullptr) return E_POINTER;
    PropVariantInit(value);
    if (std::find(failing_.begin(), failing_.end(), key) != failing_.end()) return E_FAIL;
    for (const auto& [k, v] : values_) {
        if (k == key) *value = v;
    }
    return S_OK;
}

HRESULT MemoryPropertyStore::SetValue(REFPROPERTYKEY key, const PROPVARIANT& value) {
    if (value.vt != VT_EMPTY && value.vt != VT_UI4 && value.vt != VT_I4) return E_INVALIDARG;
    for (auto& [k, v] : values_) {
        if (k == key) {
            v = value;
            return S_OK;
        }
    }
    values_.emplace_back(key, value);
    return S_OK;
}

void MemoryPropertyStore::setUInt32(const PROPERTYKEY& key, ULONG value) {
    PROPVARIANT v{};
    v.vt = VT_UI4;
    v.ulVal = value;
    SetValue(key, v);
}

void MemoryPropertyStore::setInt32(const PROPERTYKEY& key, std::int32_t value) {
    PROPVARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    SetValue(key, v);
}

}  // namespace veltra::apo
