#include "apo/ApoClassFactory.h"

namespace veltra::apo {

std::atomic<long> ApoClassFactory::locks_{0};

HRESULT ApoClassFactory::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_IClassFactory)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
}

HRESULT ApoClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // The audio engine never aggregates a processing object.
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    IUnknown* created = create_();
    if (created == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();  // the answered interface holds the only reference now
    return hr;
}

HRESULT ApoClassFactory::LockServer(int lock) {
    if (lock != 0) {
        ++locks_;
    } else if (locks_ > 0) {
        --locks_;
    }
    return S_OK;
}

}  // namespace veltra::apo
