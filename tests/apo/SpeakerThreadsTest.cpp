// The speaker object under the audio service's three threads at once: the real-time thread in
// APOProcess, the notification thread delivering enhancement toggles, and a configuration thread
// locking and unlocking streams. Run under ThreadSanitizer by scripts/test.sh.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ApoTestEndpoint.h"
#include "apo/VeltraDspSpkAPOMFX.h"

namespace veltra::apo {
namespace {

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
