#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ApoTestEndpoint.h"
#include "apo/ApoRegistrationRecords.h"
#include "apo/AudioMediaType.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspMicAPOMFX.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "apo/platform/MemoryPropertyStore.h"
#include "engine/PlaybackModule.h"

namespace veltra::apo {
namespace {

TEST(SpeakerObject, OneSecondThroughTheObjectEqualsTheEngineDrivenDirectly) {
    Endpoint endpoint(1);
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    ASSERT_EQ(endpoint.initialize(*apo), S_OK);
    EXPECT_EQ(apo->enableState(), 1);
    ASSERT_EQ(endpoint.lock(*apo), S_OK);
    EXPECT_TRUE(apo->hasEngine());

    VeltraDspPlayback* direct = createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {10003, 1};
    sendPlaybackParameter(direct, record);
    std::vector<float> reference(2 * 480);
    for (std::size_t call = 0; call < 100; ++call) {
        fill(endpoint.in, call * 960);
        fill(reference, call * 960);
        endpoint.process(*apo, 480);
        processPlayback(direct, reference.data(), reference.data(), 480);
        ASSERT_EQ(endpoint.out, reference) << call;
        ASSERT_EQ(endpoint.outProp.u32ValidFrameCount, 480u);
        ASSERT_EQ(endpoint.outProp.u32BufferFlags, BUFFER_VALID);
    }
    destroyPlaybackEngine(direct);
    EXPECT_EQ(apo->UnlockForProcess(), S_OK);
    EXPECT_FALSE(apo->hasEngine());
    const long before = ApoObjectBase::liveObjects();
    EXPECT_EQ(apo->Release(), 0u);
    EXPECT_EQ(ApoObjectBase::liveObjects(), before - 1);
    EXPECT_EQ(testing::registeredClients(), 0u);
}

TEST(SpeakerObject, InitializeRefusesBadArgumentsAndReportsEnumeratorFailure) {
    Endpoint endpoint(1);
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    EXPECT_EQ(apo->Initialize(8, nullptr), E_INVALIDARG);
    EXPECT_EQ(apo->Initialize(0, reinterpret_cast<std::uint8_t*>(&endpoint.init2)), E_INVALIDARG);
    EXPECT_EQ(apo->Initialize(40, reinterpret_cast<std::uint8_t*>(&endpoint.init2)), E_INVALIDARG);
    endpoint.init2.pDeviceCollection = nullptr;
    EXPECT_EQ(endpoint.initialize(*apo), E_INVALIDARG);
    endpoint.init2.pDeviceCollection = kSomeDevices;
    testing::failNextEnumeratorCreation(E_OUTOFMEMORY);
    EXPECT_EQ(endpoint.initialize(*apo), E_OUTOFMEMORY);
    EXPECT_FALSE(apo->initialized());
    void* unknown = nullptr;
    EXPECT_EQ(apo->QueryInterface(IID_IVeltraDspSpkAPOMFX, &unknown), S_OK);
    EXPECT_EQ(apo->QueryInterface(IID_IVeltraDspMicAPOMFX, &unknown), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    // Every listed interface is answered, each adding a reference.
    for (const IID* iid :
         {&IID_IUnknown, &IID_IAudioProcessingObject, &IID_IAudioProcessingObjectRT,
          &IID_IAudioProcessingObjectConfiguration, &IID_IAudioSystemEffects,
          &IID_IAudioSystemEffects2, &IID_IMMNotificationClient}) {
        ASSERT_EQ(apo->QueryInterface(*iid, &unknown), S_OK);
        static_cast<IUnknown*>(unknown)->Release();
    }
    auto* rt = static_cast<IAudioProcessingObjectRT*>(nullptr);
    ASSERT_EQ(apo->QueryInterface(IID_IAudioProcessingObjectRT, reinterpret_cast<void**>(&rt)),
              S_OK);
    EXPECT_EQ(rt->CalcOutputFrames(480), 480u);
    rt->Release();
    EXPECT_EQ(apo->Release(), 1u);
    EXPECT_EQ(apo->Release(), 0u);
}

TEST(SpeakerObject, RawModeCopiesThroughAndSystemEffectsSwitchFollowsNotifications) {
    Endpoint raw(1, AUDIO_SIGNALPROCESSINGMODE_RAW);
    VeltraDspSpkAPOMFX* passthrough = VeltraDspSpkAPOMFX::create();
    ASSERT_EQ(passthrough->Initialize(sizeof(APOInitSystemEffects2),
                                      reinterpret_cast<std::uint8_t*>(&raw.init2)),
              S_OK);
    EXPECT_EQ(passthrough->enableState(), 0);
    ASSERT_EQ(raw.lock(*passthrough), S_OK);
    fill(raw.in, 0);
    raw.process(*passthrough, 480);
    EXPECT_EQ(raw.out, raw.in);
    passthrough->Release();

    Endpoint endpoint(1);
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    ASSERT_EQ(endpoint.initialize(*apo), S_OK);
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

TEST(MicrophoneObject, BufferComesBackAsBothStreamsOneBlockLateAndMonoPasses) {
    Endpoint endpoint(0);
    VeltraDspMicAPOMFX* apo = VeltraDspMicAPOMFX::create();
    APOInitSystemEffects init{{sizeof(APOInitSystemEffects), CLSID_VeltraDspMicAPOMFX},
                              nullptr,
                              endpoint.store,
                              nullptr,
                              nullptr};
    ASSERT_EQ(apo->Initialize(sizeof(APOInitSystemEffects), reinterpret_cast<std::uint8_t*>(&init)),
              S_OK);
    EXPECT_TRUE(apo->hasEngine());
    ASSERT_EQ(endpoint.lock(*apo), S_OK);
    for (std::size_t i = 0; i < endpoint.in.size(); ++i) endpoint.in[i] = float(i + 1);
    const std::vector<float> x = endpoint.in;
    endpoint.process(*apo, 160);
    for (std::size_t f = 0; f < 64; ++f) EXPECT_EQ(endpoint.out[2 * f], 0.0f);
    for (std::size_t f = 64; f < 160; ++f) {
        ASSERT_EQ(endpoint.out[2 * f], x[f - 64]);
        ASSERT_EQ(endpoint.out[2 * f + 1], x[f - 64]);
    }
    endpoint.process(*apo, 8, BUFFER_INVALID);
    EXPECT_EQ(endpoint.outProp.u32BufferFlags, BUFFER_INVALID);
    EXPECT_EQ(endpoint.outProp.u32ValidFrameCount, 0u);
    EXPECT_EQ(apo->UnlockForProcess(), S_OK);
    EXPECT_TRUE(apo->hasEngine());  // the capture engine lives as long as the object
    apo->Release();
}

}  // namespace
}  // namespace veltra::apo
