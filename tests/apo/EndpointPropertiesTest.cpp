#include <gtest/gtest.h>

#include "apo/EndpointProperties.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace veltra::apo {
namespace {

// The enhancement is on only with a non-zero VT_UI4 switch, effects allowed (the system-effects
// key absent, zero, or not a VT_UI4), the default mode, and both keys readable.
TEST(EndpointProperties, EnableNeedsTheSwitchSystemEffectsAndTheDefaultMode) {
    const PROPERTYKEY& sw = PKEY_Endpoint_Enable_SpkMFX;
    const PROPERTYKEY& sysFx = PKEY_AudioEndpoint_Disable_SysFx;
    struct Case {
        int enable;  // -1: absent, -2: a VT_I4 of 1
        int disable;
        const PROPERTYKEY* failing;
        GUID mode;
        int expected;
    };
    const GUID def = AUDIO_SIGNALPROCESSINGMODE_DEFAULT, raw = AUDIO_SIGNALPROCESSINGMODE_RAW;
    for (const Case& c :
         {Case{-1, -1, nullptr, def, 0}, Case{1, -1, nullptr, def, 1}, Case{1, -1, nullptr, raw, 0},
          Case{1, -2, nullptr, def, 1}, Case{1, 0, nullptr, def, 1}, Case{1, 7, nullptr, def, 0},
          Case{-2, 0, nullptr, def, 0}, Case{1, 0, &sysFx, def, 0}, Case{1, 0, &sw, def, 0}}) {
        MemoryPropertyStore* store = MemoryPropertyStore::create();
        if (c.enable >= 0) store->setUInt32(sw, ULONG(c.enable));
        if (c.enable == -2) store->setInt32(sw, 1);
        if (c.disable >= 0) store->setUInt32(sysFx, ULONG(c.disable));
        if (c.disable == -2) store->setInt32(sysFx, 1);
        if (c.failing != nullptr) store->failReadsOf(*c.failing);
        EXPECT_EQ(readEffectsEnable(store, sw, c.mode), c.expected)
            << c.enable << " " << c.disable << " " << (c.failing != nullptr);
        store->Release();
    }
    EXPECT_EQ(readEffectsEnable(nullptr, sw, def), 0);
}

}  // namespace
}  // namespace veltra::apo
