#include "apo/ApoClassFactory.h"

#include "apo/ApoObjectBase.h"

namespace veltra::apo {

std::atomic<long> ApoClassFactory::locks_{0};
std::atomic<long> ApoClassFactory::references_{0};

namespace {

// An unbalanced release or unlock must not drive the module's count below zero.
long decrementToZero(std::atomic<long>& count) {
    long held = count.load();
    while (held > 0 && !count.compare_exchange_weak(held, held - 1)) {
    }
    return held > 0 ? held - 1 : 0;
}

}  // namespace

HRESULT ApoClassFactory::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_IClassFactory)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// The factory never goes away, so its count is only what it contributes to the module's.
ULONG ApoClassFactory::AddRef() {
    return static_cast<ULONG>(++references_) + 1;
}

ULONG ApoClassFactory::Release() {
    return static_cast<ULONG>(decrementToZero(references_)) + 1;
}

HRESULT ApoClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // An aggregating caller must take the inner unknown: any other interface would delegate to
    // the outer object, which then could never reach the inner one.
    if (outer != nullptr && !(riid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    ApoObjectBase* created = create_(outer);
    if (created == nullptr) return E_OUTOFMEMORY;
    IUnknown* inner = created->innerUnknown();
    const HRESULT hr = inner->QueryInterface(riid, object);
    inner->Release();  // the answered interface holds the only reference now
    return hr;
}

HRESULT ApoClassFactory::LockServer(int lock) {
    if (lock != 0) {
        ++locks_;
    } else {
        decrementToZero(locks_);
    }
    return S_OK;
}

}  // namespace veltra::apo
