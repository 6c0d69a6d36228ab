#include <gtest/gtest.h>

#include "ApoTestEndpoint.h"
#include "apo/ApoRegistrationRecords.h"
#include "apo/ModuleEntryPoints.h"
#include "apo/platform/AudioEngineApoInterfaces.h"

namespace veltra::apo {
namespace {

// What DllRegisterServer writes is read back through the real DLL by the Wine host and compared
// value by value with the example INF (ExampleInfTest); here the module's lifetime and
// aggregation rules.
IClassFactory* factoryOf(const CLSID& classId) {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

TEST(ModuleEntryPoints, TheModuleStaysWhileObjectsLocksOrFactoriesAreHeld) {
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(IID_IVeltraDspSpkAPOMFX, IID_IClassFactory, &none),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);

    IClassFactory* factory = factoryOf(CLSID_VeltraDspSpkAPOMFX);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // a held factory keeps the module
    IClassFactory* second = factoryOf(CLSID_VeltraDspMicAPOMFX);
    second->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the first is still held

    IAudioProcessingObject* apo = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAudioProcessingObject,
                                      reinterpret_cast<void**>(&apo)),
              S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &none), E_NOINTERFACE);
    factory->LockServer(1);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // object and lock
    APO_REG_PROPERTIES* props = nullptr;
    ASSERT_EQ(apo->GetRegistrationProperties(&props), S_OK);
    EXPECT_TRUE(props->clsid == CLSID_VeltraDspSpkAPOMFX);
    taskFree(props);
    EXPECT_EQ(apo->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // lock only
    factory->LockServer(0);
    factory->LockServer(0);  // unbalanced: no effect
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory->LockServer(1);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the stray unlock did not go negative
    factory->LockServer(0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

// An object of the test's own that aggregates a processing object: it answers IUnknown itself and
// passes every other interface request to the inner unknown.
class Outer final : public IUnknown {
  public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, object);
    }
    ULONG AddRef() override { return ++count; }
    ULONG Release() override { return --count; }  // the test owns the object's storage
    IUnknown* inner = nullptr;
    ULONG count = 1;
};

TEST(ModuleEntryPoints, AggregatedObjectsDelegateToTheirOuterObject) {
    for (const CLSID* classId : {&CLSID_VeltraDspSpkAPOMFX, &CLSID_VeltraDspMicAPOMFX}) {
        IClassFactory* factory = factoryOf(*classId);
        Outer outer;
        void* refused = reinterpret_cast<void*>(1);
        EXPECT_EQ(factory->CreateInstance(&outer, IID_IAudioProcessingObject, &refused),
                  CLASS_E_NOAGGREGATION);
        EXPECT_EQ(refused, nullptr);
        ASSERT_EQ(
            factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
        factory->Release();
        EXPECT_EQ(outer.count, 1u);  // creating the inner object does not count on the outer

        IAudioProcessingObject* apo = nullptr;
        IAudioProcessingObjectConfiguration* config = nullptr;
        IAudioProcessingObjectRT* rt = nullptr;
        IMMNotificationClient* client = nullptr;
        ASSERT_EQ(outer.QueryInterface(IID_IAudioProcessingObject, reinterpret_cast<void**>(&apo)),
                  S_OK);
        ASSERT_EQ(apo->QueryInterface(IID_IAudioProcessingObjectConfiguration,
                                      reinterpret_cast<void**>(&config)),
                  S_OK);
        ASSERT_EQ(
            config->QueryInterface(IID_IAudioProcessingObjectRT, reinterpret_cast<void**>(&rt)),
            S_OK);
        ASSERT_EQ(rt->QueryInterface(IID_IMMNotificationClient, reinterpret_cast<void**>(&client)),
                  S_OK);
        EXPECT_EQ(outer.count, 5u);  // every handed-out interface counted on the outer object
        IUnknown* identity = nullptr;
        ASSERT_EQ(client->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
        identity->Release();
        void* absent = nullptr;
        EXPECT_EQ(rt->QueryInterface(IID_IClassFactory, &absent), E_NOINTERFACE);
        EXPECT_EQ(apo->AddRef(), 6u);
        EXPECT_EQ(apo->Release(), 5u);

        Endpoint endpoint(1);
        endpoint.init2.APOInit.clsid = *classId;
        ASSERT_EQ(endpoint.initialize(*apo), S_OK);
        ASSERT_EQ(endpoint.lock(*config), S_OK);
        fill(endpoint.in, 0);
        endpoint.process(*rt, 480);
        EXPECT_EQ(endpoint.outProp.u32ValidFrameCount, 480u);
        EXPECT_EQ(config->UnlockForProcess(), S_OK);

        for (IUnknown* held : {static_cast<IUnknown*>(apo), static_cast<IUnknown*>(config),
                               static_cast<IUnknown*>(rt), static_cast<IUnknown*>(client)})
            held->Release();
        EXPECT_EQ(outer.count, 1u);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the inner object is alive until its own release
        EXPECT_EQ(outer.inner->Release(), 0u);
        EXPECT_EQ(DllCanUnloadNow(), S_OK);
    }
}

}  // namespace
}  // namespace veltra::apo
