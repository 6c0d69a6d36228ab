#include <gtest/gtest.h>

#include "ApoTestEndpoint.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspSpkAPOMFX.h"

namespace veltra::apo {
namespace {

// The Wine host runs the real DLL through the objects' contracts (speaker output against the
// native engine, every interface, Initialize's refusals, raw mode, the enhancement switch, the
// microphone's closed form). These are the failure paths only our platform layer can inject.
TEST(SpeakerObject, EnumeratorFailureIsReportedAndTheLastReleaseUnregistersTheClient) {
    Endpoint endpoint;
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    testing::failNextEnumeratorCreation(E_OUTOFMEMORY);
    EXPECT_EQ(endpoint.initialize(apo), E_OUTOFMEMORY);
    EXPECT_FALSE(apo->initialized());
    ASSERT_EQ(endpoint.initialize(apo), S_OK);
    ASSERT_EQ(endpoint.lock(apo), S_OK);
    endpoint.fill(0);
    endpoint.process(apo, 480);
    EXPECT_EQ(endpoint.outProp.u32ValidFrameCount, 480u);
    const long before = ApoObjectBase::liveObjects();
    EXPECT_EQ(apo->Release(), 0u);
    EXPECT_EQ(ApoObjectBase::liveObjects(), before - 1);
    EXPECT_EQ(testing::registeredClients(), 0u);
}

TEST(SpeakerObject, EffectsChangedEventFollowsOnlyTheSwitchAndDuplicationFailureIsReported) {
    Endpoint endpoint;
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    ASSERT_EQ(endpoint.initialize(apo), S_OK);
    HANDLE event = testing::createEvent();
    GUID* effects =
        reinterpret_cast<GUID*>(std::uintptr_t{1});  // NOLINT(performance-no-int-to-ptr)
    UINT32 count = 9;
    ASSERT_EQ(apo->GetEffectsList(&effects, &count, event), S_OK);
    EXPECT_EQ(effects, nullptr);
    EXPECT_EQ(count, 0u);

    endpoint.store->setUInt32(PROPERTYKEY{AUDIO_SIGNALPROCESSINGMODE_RAW, 1}, 5);
    EXPECT_EQ(testing::broadcastPropertyChange(PROPERTYKEY{AUDIO_SIGNALPROCESSINGMODE_RAW, 1}), 1);
    EXPECT_FALSE(testing::eventIsSet(event));
    endpoint.store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, 7);
    testing::broadcastPropertyChange(PKEY_AudioEndpoint_Disable_SysFx);
    EXPECT_EQ(apo->enableState(), 0);
    EXPECT_TRUE(testing::eventIsSet(event));

    testing::failNextDuplication(ERROR_ACCESS_DENIED);
    count = 9;
    EXPECT_EQ(apo->GetEffectsList(&effects, &count, event), static_cast<HRESULT>(0x80070005u));
    EXPECT_EQ(count, 9u);
    EXPECT_EQ(apo->GetEffectsList(nullptr, &count, event), E_POINTER);
    closeEventHandle(event);
    apo->Release();
}

}  // namespace
}  // namespace veltra::apo
