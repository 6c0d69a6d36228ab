#pragma once

#include <atomic>

#include "apo/platform/ComTypes.h"

namespace veltra::apo {

class ApoObjectBase;

// Creates one of the two processing objects, stand-alone or aggregated. The factories themselves
// are static, but every reference a client holds on one keeps the module loaded, as server locks
// and live objects do.
class ApoClassFactory final : public IClassFactory {
  public:
    using Create = ApoObjectBase* (*)(IUnknown* outer);
    explicit constexpr ApoClassFactory(Create create) : create_(create) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT LockServer(int lock) override;

    // Server locks plus factory references held by clients, over both factories.
    static long moduleHolds() { return locks_ + references_; }

  private:
    Create create_;
    static std::atomic<long> locks_;
    static std::atomic<long> references_;
};

}  // namespace veltra::apo
