#pragma once

#include <atomic>

#include "apo/platform/ComTypes.h"

namespace veltra::apo {

// Creates one of the two processing objects. The factories are static and live as long as the
// module; only server locks and live objects keep the module loaded.
class ApoClassFactory final : public IClassFactory {
  public:
    using Create = IUnknown* (*)();
    explicit constexpr ApoClassFactory(Create create) : create_(create) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT LockServer(int lock) override;

    static long serverLocks() { return locks_; }

  private:
    Create create_;
    static std::atomic<long> locks_;
};

}  // namespace veltra::apo
