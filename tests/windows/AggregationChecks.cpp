// COM aggregation and the module's unload answer, as an independent client sees them: an outer
// object of the host's own aggregates each class, reaches the processing interfaces through
// itself, runs a locked stream, and releases everything.
#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"
#include "HostPropertyStore.h"

namespace host {

using namespace veltra::apo;

namespace {

class Outer final : public IUnknown {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    IUnknown* inner = nullptr;
    ULONG count = 1;
};

void checkAggregated(const Module& module, const wchar_t* clsid) {
    Held<IClassFactory> factory;
    checkHr(module.getClassObject(ids::guid(clsid), IID_IClassFactory, factory.out()), S_OK,
            "class factory for aggregation");
    if (factory.p == nullptr) return;
    Outer outer;
    void* refused = reinterpret_cast<void*>(1);
    checkHr(factory->CreateInstance(&outer, ids::guid(ids::kApo), &refused), CLASS_E_NOAGGREGATION,
            "aggregation asks for anything but IUnknown");
    check(refused == nullptr, "a refused aggregation answers null");
    if (!checkHr(
            factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK, "aggregated CreateInstance"))
        return;
    IAudioProcessingObject* apo = nullptr;
    IAudioProcessingObjectConfiguration* config = nullptr;
    IAudioProcessingObjectRT* rt = nullptr;
    outer.QueryInterface(ids::guid(ids::kApo), reinterpret_cast<void**>(&apo));
    if (!check(apo != nullptr, "the outer object reaches the processing object")) return;
    apo->QueryInterface(ids::guid(ids::kApoConfiguration), reinterpret_cast<void**>(&config));
    config->QueryInterface(ids::guid(ids::kApoRT), reinterpret_cast<void**>(&rt));
    check(rt != nullptr && outer.count == 4, "inner interfaces count on the outer object");
    IUnknown* identity = nullptr;
    rt->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    check(identity == &outer, "an inner interface's IUnknown is the outer object");
    identity->Release();

    HostPropertyStore* store = new HostPropertyStore;
    APOInitSystemEffects init{};
    init.APOInit = {sizeof(init), ids::guid(clsid)};
    init.pAPOSystemEffectsProperties = store;
    checkHr(apo->Initialize(sizeof(init), reinterpret_cast<BYTE*>(&init)), S_OK,
            "aggregated Initialize");
    {
        Stream stream(2, 48000.0f, 480);
        checkHr(stream.lock(config), S_OK, "aggregated LockForProcess");
        stream.process(rt, 480);
        check(stream.outProp.u32ValidFrameCount == 480, "aggregated APOProcess");
        checkHr(config->UnlockForProcess(), S_OK, "aggregated UnlockForProcess");
    }
    apo->Release();
    config->Release();
    rt->Release();
    check(outer.count == 1, "the outer object's count is back to its own");
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with an aggregated object alive");
    check(outer.inner->Release() == 0, "the inner unknown's release ends the object");
    check(store->references() == 1, "the aggregated object released the endpoint store");
    store->Release();
}

}  // namespace

void checkAggregation(const Module& module) {
    checkAggregated(module, ids::kSpeakerClass);
    checkAggregated(module, ids::kMicrophoneClass);
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow after the aggregated objects");
}

void checkUnloadRule(const Module& module) {
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow with nothing alive");
    IClassFactory* factory = nullptr;
    module.getClassObject(ids::guid(ids::kSpeakerClass), IID_IClassFactory,
                          reinterpret_cast<void**>(&factory));
    if (!check(factory != nullptr, "speaker class factory")) return;
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with a factory held");
    factory->LockServer(TRUE);
    factory->Release();
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with a server lock");
    factory->LockServer(FALSE);  // a locked module's factory may still be called
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow after the unlock");
}

}  // namespace host
