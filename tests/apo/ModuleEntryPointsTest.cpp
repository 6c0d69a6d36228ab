#include <gtest/gtest.h>

#include "apo/ApoRegistrationRecords.h"
#include "apo/BaseAudioProcessingObject.h"
#include "apo/ModuleEntryPoints.h"
#include "apo/platform/AudioEngineApoInterfaces.h"
#include "apo/platform/MemoryRegistry.h"
#include "apo/platform/ModulePath.h"

namespace veltra::apo {
namespace {

MemoryRegistry& registry() {
    return static_cast<MemoryRegistry&>(moduleRegistry());
}
using V = MemoryRegistry::Value;

TEST(ModuleEntryPoints, RegisterWritesComAndAudioEngineRecordsAndUnregisterRemovesThem) {
    registry().clear();
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllRegisterServer(), S_OK);  // again: still one record per class
    const std::string spk = "CLSID\\{6F1D2A90-3B7E-4C15-9A2D-7E40C8B1D352}";
    EXPECT_EQ(registry().value(spk, ""), V{std::string("VeltraDspSpkAPOMFX Class")});
    EXPECT_EQ(registry().value(spk + "\\InprocServer32", ""), V{modulePath()});
    EXPECT_EQ(registry().value(spk + "\\InprocServer32", "ThreadingModel"), V{std::string("Both")});
    EXPECT_EQ(registry().value("CLSID\\{A4E7C3B2-5D19-4F08-8B6E-2C9F71D0E4A6}", ""),
              V{std::string("VeltraDspMicAPOMFX Class")});
    EXPECT_EQ(registry().value("AppID\\{5C08B9E3-2F61-47D4-9A3B-E1D6F0724B8C}", ""),
              V{std::string("VeltraDspAPODll")});
    EXPECT_EQ(registry().value("AppID\\VeltraDspAPODll.DLL", "AppID"),
              V{std::string("{5C08B9E3-2F61-47D4-9A3B-E1D6F0724B8C}")});
    EXPECT_EQ(registry().subkeyCount("AudioEngine\\AudioProcessingObjects"), 2u);
    EXPECT_FALSE(modulePath().empty());
    const std::string library = "TypeLib\\{1FDCAB1D-6730-4B10-B2A3-DC2AEF6E6B03}";
    EXPECT_EQ(registry().value(library + "\\1.0\\0\\win64", ""), V{modulePath()});

    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(registry().hasKey(spk));
    EXPECT_FALSE(registry().hasKey(library));
    EXPECT_TRUE(registry().hasKey("CLSID"));
    EXPECT_TRUE(registry().hasKey("AppID\\VeltraDspAPODll.DLL"));  // left in place
    EXPECT_EQ(registry().subkeyCount("AudioEngine\\AudioProcessingObjects"), 0u);
    EXPECT_EQ(DllUnregisterServer(), static_cast<HRESULT>(0x80070002u));

    registry().failWritesWith(ERROR_ACCESS_DENIED);
    EXPECT_EQ(DllRegisterServer(), static_cast<HRESULT>(0x80070005u));
    registry().failWritesWith(ERROR_SUCCESS);
}

TEST(ModuleEntryPoints, FactoriesCreateObjectsAndTheModuleUnloadsOnlyWhenAllAreGone) {
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_VeltraDspSpkAPOMFX, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    void* none = nullptr;
    EXPECT_EQ(DllGetClassObject(IID_IVeltraDspSpkAPOMFX, IID_IClassFactory, &none),
              CLASS_E_CLASSNOTAVAILABLE);

    IAudioProcessingObject* apo = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAudioProcessingObject,
                                      reinterpret_cast<void**>(&apo)),
              S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    APO_REG_PROPERTIES* props = nullptr;
    ASSERT_EQ(apo->GetRegistrationProperties(&props), S_OK);
    EXPECT_TRUE(props->clsid == CLSID_VeltraDspSpkAPOMFX);
    taskFree(props);
    EXPECT_EQ(apo->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    factory->LockServer(1);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->LockServer(0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    IUnknown* outer = apo;  // any non-null outer asks for aggregation
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory->Release();
}

}  // namespace
}  // namespace veltra::apo
