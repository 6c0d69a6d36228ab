#include <gtest/gtest.h>

#include "ApoTestEndpoint.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspSpkAPOMFX.h"

namespace veltra::apo {
namespace {

// The objects' contracts are the host checks' (HostChecksTest, and the Wine host on the real
// DLL). These are the paths only our platform layer reaches: a failing enumerator, a failing
// event duplication, changes delivered through the enumerator, and the client's unregistration.
TEST(SpeakerObject, PlatformFailuresAreReportedAndTheEnumeratorsClientComesAndGoes) {
    Endpoint endpoint;
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    testing::failNextEnumeratorCreation(E_OUTOFMEMORY);
    EXPECT_EQ(endpoint.initialize(apo), E_OUTOFMEMORY);
    EXPECT_FALSE(apo->initialized());
    ASSERT_EQ(endpoint.initialize(apo), S_OK);
    ASSERT_EQ(endpoint.lock(apo), S_OK);
    endpoint.process(apo, 480);
    EXPECT_EQ(endpoint.outProp.u32ValidFrameCount, 480u);

    HANDLE event = testing::createEvent();
    GUID* effects = nullptr;
    UINT32 count = 9;
    ASSERT_EQ(apo->GetEffectsList(&effects, &count, event), S_OK);
    endpoint.store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, 7);
    EXPECT_EQ(testing::broadcastPropertyChange(PKEY_AudioEndpoint_Disable_SysFx), 1);
    EXPECT_EQ(apo->enableState(), 0);
    EXPECT_TRUE(testing::eventIsSet(event));
    testing::failNextDuplication(ERROR_ACCESS_DENIED);
    count = 9;
    EXPECT_EQ(apo->GetEffectsList(&effects, &count, event), static_cast<HRESULT>(0x80070005u));
    EXPECT_EQ(count, 9u);
    EXPECT_EQ(apo->GetEffectsList(nullptr, &count, event), E_POINTER);
    closeEventHandle(event);

    const long before = ApoObjectBase::liveObjects();
    EXPECT_EQ(apo->Release(), 0u);
    EXPECT_EQ(ApoObjectBase::liveObjects(), before - 1);
    EXPECT_EQ(testing::registeredClients(), 0u);
}

}  // namespace
}  // namespace veltra::apo
