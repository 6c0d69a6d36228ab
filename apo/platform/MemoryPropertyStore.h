#pragma once

#include <atomic>
#include <vector>

#include "apo/platform/ComTypes.h"

namespace veltra::apo {

// A reference-counted property store held in memory: the endpoint store on non-Windows builds and
// in tests. Reads of a missing key succeed with VT_EMPTY, as the system store answers; a key can be
// made to fail its reads to exercise that path.
class MemoryPropertyStore final : public IPropertyStore {
  public:
    static MemoryPropertyStore* create() { return new MemoryPropertyStore(); }

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override;
    HRESULT GetCount(DWORD* count) override;
    HRESULT GetAt(DWORD index, PROPERTYKEY* key) override;
    HRESULT GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override;
    HRESULT SetValue(REFPROPERTYKEY key, const PROPVARIANT& value) override;
    HRESULT Commit() override { return S_OK; }

    void setUInt32(const PROPERTYKEY& key, ULONG value);
    void setInt32(const PROPERTYKEY& key, std::int32_t value);
    void failReadsOf(const PROPERTYKEY& key) { failing_.push_back(key); }
    ULONG references() const { return references_; }

  private:
    MemoryPropertyStore() = default;
    ~MemoryPropertyStore() = default;

    std::atomic<ULONG> references_{1};
    std::vector<std::pair<PROPERTYKEY, PROPVARIANT>> values_;
    std::vector<PROPERTYKEY> failing_;
};

}  // namespace veltra::apo
