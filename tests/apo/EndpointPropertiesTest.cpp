#include <gtest/gtest.h>

#include "apo/EndpointProperties.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace veltra::apo {
namespace {

struct Store {
    Store() : store(MemoryPropertyStore::create()) {}
    ~Store() { store->Release(); }
    MemoryPropertyStore* store;
};

TEST(EndpointProperties, EnableNeedsANonZeroUInt32AndSystemEffectsAllowed) {
    const GUID def = AUDIO_SIGNALPROCESSINGMODE_DEFAULT;
    Store s;
    EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, def), 0);  // not set at all
    s.store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, 1);
    EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, def), 1);
    EXPECT_EQ(
        readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, AUDIO_SIGNALPROCESSINGMODE_RAW), 0);
    s.store->setInt32(PKEY_AudioEndpoint_Disable_SysFx, 1);  // not a VT_UI4: effects stay allowed
    EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, def), 1);
    s.store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, 0);
    EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, def), 1);
    s.store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, 7);
    EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, def), 0);
    s.store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, 0);
    s.store->setInt32(PKEY_Endpoint_Enable_SpkMFX, 1);  // wrong type for the switch
    EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX, def), 0);
    EXPECT_EQ(readEffectsEnable(nullptr, PKEY_Endpoint_Enable_SpkMFX, def), 0);
}

TEST(EndpointProperties, AFailedReadOfEitherKeyDisables) {
    for (const PROPERTYKEY* failing :
         {&PKEY_AudioEndpoint_Disable_SysFx, &PKEY_Endpoint_Enable_SpkMFX}) {
        Store s;
        s.store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, 1);
        s.store->failReadsOf(*failing);
        EXPECT_EQ(readEffectsEnable(s.store, PKEY_Endpoint_Enable_SpkMFX,
                                    AUDIO_SIGNALPROCESSINGMODE_DEFAULT),
                  0);
    }
}

}  // namespace
}  // namespace veltra::apo
