// The speaker object itself: the paths only our platform layer reaches, and the object under the
// audio service's three threads at once (the real-time thread in APOProcess, the notification
// thread delivering enhancement toggles, and a configuration thread locking and unlocking
// streams), which scripts/test.sh also runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "apo/ApoRegistrationRecords.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "windows/HostModule.h"

namespace veltra::apo {
namespace {

// The host's stereo 48 kHz stream with an endpoint store (enhancement on) and the initialisation
// the audio service gives the speaker object.
struct Endpoint : host::Stream {
    Endpoint() : Stream(2, 48000.0f, 480) { store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, 1); }
    ~Endpoint() { store->Release(); }
    HRESULT initialize(IAudioProcessingObject* apo) {
        APOInitSystemEffects2 init = host::systemEffects(CLSID_VeltraDspSpkAPOMFX, store, devices.p,
                                                         AUDIO_SIGNALPROCESSINGMODE_DEFAULT);
        return apo->Initialize(sizeof(init), reinterpret_cast<std::uint8_t*>(&init));
    }
    // Call `call` of a continuous tone into the input buffer.
    void fill(std::size_t call) {
        for (std::size_t i = 0; i < input.size(); ++i)
            input[i] = 0.7f * std::sin(0.003f * float(call * input.size() + i));
    }
    MemoryPropertyStore* store = MemoryPropertyStore::create();
    host::RenderDevices devices;
};

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

constexpr int kToggles = 10000;
constexpr int kStreams = 20;
constexpr int kBuffersPerStream = 12;

// The audio service's rule, kept by the test's own handshake: APOProcess runs only between a
// successful LockForProcess and the next UnlockForProcess.
struct StreamGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool done = false;
    int buffers = 0;  // processed in the open stream
};

TEST(SpeakerThreads, ProcessingTogglesAndLockCyclesTogetherLoseNothing) {
    Endpoint endpoint;
    VeltraDspSpkAPOMFX* apo = VeltraDspSpkAPOMFX::create();
    ASSERT_EQ(endpoint.initialize(apo), S_OK);
    HANDLE event = testing::createEvent();
    GUID* effects = nullptr;
    UINT32 count = 0;
    ASSERT_EQ(apo->GetEffectsList(&effects, &count, event), S_OK);

    StreamGate gate;
    std::atomic<bool> finite{true};
    std::thread realTime([&] {
        // The buffers are this thread's alone; the configuration thread only reads descriptors.
        for (std::size_t call = 0;; ++call) {
            std::unique_lock<std::mutex> hold(gate.mutex);
            gate.changed.wait(hold, [&] { return gate.open || gate.done; });
            if (gate.done) return;
            endpoint.fill(call);
            endpoint.process(apo, 480);  // the gate is held: the stream cannot close meanwhile
            for (float v : endpoint.output) finite = finite && std::isfinite(v);
            ++gate.buffers;
            gate.changed.notify_all();
        }
    });
    std::thread configuration([&] {
        for (int stream = 0; stream < kStreams; ++stream) {
            ASSERT_EQ(endpoint.lock(apo), S_OK);
            std::unique_lock<std::mutex> hold(gate.mutex);
            gate.open = true;
            gate.buffers = 0;
            gate.changed.notify_all();
            gate.changed.wait(hold, [&] { return gate.buffers >= kBuffersPerStream; });
            gate.open = false;
            hold.unlock();
            ASSERT_EQ(apo->UnlockForProcess(), S_OK);
        }
    });
    std::thread notifications([&] {
        // Alternating the system-effects switch; the last toggle (an even one) allows effects.
        for (int toggle = 1; toggle <= kToggles; ++toggle) {
            endpoint.store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, ULONG(toggle % 2));
            apo->OnPropertyValueChanged(nullptr, PKEY_AudioEndpoint_Disable_SysFx);
        }
    });
    notifications.join();
    configuration.join();
    {
        const std::lock_guard<std::mutex> hold(gate.mutex);
        gate.done = true;
    }
    gate.changed.notify_all();
    realTime.join();

    EXPECT_TRUE(finite);
    EXPECT_EQ(apo->enableState(), 1);  // the last toggle sent
    EXPECT_TRUE(testing::eventIsSet(event));
    EXPECT_FALSE(apo->hasEngine());
    closeEventHandle(event);
    apo->Release();
}

}  // namespace
}  // namespace veltra::apo
