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
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override;
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override;
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override;
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }

    void setUInt32(const PROPERTYKEY& key, ULONG value);
    ULONG references() const { return references_; }

  private:
    std::atomic<ULONG> references_{1};
    std::vector<std::pair<PROPERTYKEY, PROPVARIANT>> values_;
};

}  // namespace host
