#pragma once

#include <propsys.h>
#include <windows.h>

#include <atomic>
#include <utility>
#include <vector>

namespace host {

// The endpoint's effects property store as the audio service hands it over: 32-bit values only,
// and a read of a key that was never written succeeds with VT_EMPTY, as the system store does.
class HostPropertyStore final : public IPropertyStore {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = riid == IID_IUnknown || riid == IID_IPropertyStore ? this : nullptr;
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
        if (count != nullptr) *count = DWORD(values_.size());
        return count != nullptr ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override {
        if (key == nullptr || index >= values_.size()) return E_INVALIDARG;
        *key = values_[index].first;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
        if (value == nullptr) return E_POINTER;
        PropVariantInit(value);
        for (const auto& [k, v] : values_)
            if (k.fmtid == key.fmtid && k.pid == key.pid) *value = v;  // VT_UI4: a full copy
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override {
        return STG_E_ACCESSDENIED;  // the effects never write the endpoint's store
    }
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }

    void setUInt32(const PROPERTYKEY& key, ULONG number) {
        PROPVARIANT value;
        PropVariantInit(&value);
        value.vt = VT_UI4;
        value.ulVal = number;
        for (auto& [k, v] : values_)
            if (k.fmtid == key.fmtid && k.pid == key.pid) return void(v = value);
        values_.emplace_back(key, value);
    }
    ULONG references() const { return references_; }

  private:
    std::atomic<ULONG> references_{1};
    std::vector<std::pair<PROPERTYKEY, PROPVARIANT>> values_;
};

}  // namespace host
