// The module's unload answer and COM aggregation, as an independent client sees them: an outer
// object of the host's own aggregates each class, reaches the processing interfaces through
// itself, and releases everything.
#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"

namespace host {

namespace {

class Outer final : public IUnknown {
  public:
    HRESULT HOST_CALL QueryInterface(REFIID riid, void** object) override {
        if (!(riid == IID_IUnknown)) return inner->QueryInterface(riid, object);
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG HOST_CALL AddRef() override { return ++count; }
    ULONG HOST_CALL Release() override { return --count; }  // the host owns the storage
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
    check(outer.count == 1, "creating the inner object does not count on the outer");
    // Each interface reached from the one before: all of them delegate to the outer object.
    auto* apo = query<IAudioProcessingObject>(&outer, ids::kApo);
    if (!check(apo != nullptr, "the outer object reaches the processing object")) return;
    auto* config = query<IAudioProcessingObjectConfiguration>(apo, ids::kApoConfiguration);
    auto* rt = query<IAudioProcessingObjectRT>(config, ids::kApoRT);
    auto* client = query<IUnknown>(rt, ids::kNotificationClient);
    check(client != nullptr && outer.count == 5, "inner interfaces count on the outer object");
    check(apo->AddRef() == 6 && apo->Release() == 5, "AddRef and Release reach the outer object");
    check(query<IUnknown>(client, L"{00000000-0000-0000-C000-000000000046}") == &outer,
          "an inner interface's IUnknown is the outer object");
    outer.Release();
    check(query<IUnknown>(rt, L"{00000001-0000-0000-C000-000000000046}") == nullptr,
          "an absent interface stays absent");
    // What runs behind the interfaces is the object's own, the same whoever owns it: the speaker
    // and microphone checks drive it.
    for (IUnknown* held : {static_cast<IUnknown*>(apo), static_cast<IUnknown*>(config),
                           static_cast<IUnknown*>(rt), client})
        held->Release();
    check(outer.count == 1, "the outer object's count is back to its own");
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with an aggregated object alive");
    check(outer.inner->Release() == 0, "the inner unknown's release ends the object");
}

}  // namespace

void checkAggregation(const Module& module) {
    checkAggregated(module, ids::kSpeakerClass);
    checkAggregated(module, ids::kMicrophoneClass);
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow after the aggregated objects");
}

// Held class factories, server locks and live objects each keep the module; an unbalanced unlock
// cannot take the count below zero.
void checkUnloadRule(const Module& module) {
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow with nothing alive");
    void* none = reinterpret_cast<void*>(1);
    checkHr(module.getClassObject(ids::guid(ids::kAppId), IID_IClassFactory, &none),
            CLASS_E_CLASSNOTAVAILABLE, "DllGetClassObject of an unknown class");
    check(none == nullptr, "an unknown class answers null");
    IClassFactory *factory = nullptr, *other = nullptr;
    module.getClassObject(ids::guid(ids::kSpeakerClass), IID_IClassFactory,
                          reinterpret_cast<void**>(&factory));
    module.getClassObject(ids::guid(ids::kMicrophoneClass), IID_IClassFactory,
                          reinterpret_cast<void**>(&other));
    if (!check(factory != nullptr && other != nullptr, "both class factories")) return;
    other->Release();  // the one still held keeps the module
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with a factory held");
    checkHr(factory->CreateInstance(nullptr, IID_IClassFactory, &none), E_NOINTERFACE,
            "CreateInstance of an interface the class lacks");
    IUnknown* object = module.create(ids::guid(ids::kSpeakerClass));
    factory->LockServer(1);
    factory->Release();
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with an object and a server lock");
    check(object != nullptr && object->Release() == 0, "the object's last release");
    checkHr(module.canUnloadNow(), S_FALSE, "DllCanUnloadNow with a server lock");
    factory->LockServer(0);  // a locked module's factory may still be called
    factory->LockServer(0);  // unbalanced: no effect
    checkHr(module.canUnloadNow(), S_OK, "DllCanUnloadNow after the unlock");
    factory->LockServer(1);
    checkHr(module.canUnloadNow(), S_FALSE, "the stray unlock did not go below zero");
    factory->LockServer(0);
}

}  // namespace host
