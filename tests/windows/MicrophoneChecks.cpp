// The microphone object as the audio service drives it: a 2-channel 16 kHz stream through the
// fixed capture engine, whose output is known in closed form.
#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"

namespace host {

namespace {

constexpr UINT32 kHostFrames = 160;  // 10 ms at 16 kHz
constexpr std::size_t kBlock = 64;   // the engine's processing block: its whole latency

// The capture engine reads the first N samples of an N-frame buffer as its reference and its
// microphone signal alike, and writes N stereo frames of that signal, one block late, back over
// the buffer. So output frame j of the stream holds mono[j - 64] on both channels.
void checkStream(IAudioProcessingObjectRT* rt, Stream& stream) {
    std::vector<float> mono;
    std::size_t mismatches = 0;
    for (int call = 0; call < 100; ++call) {
        for (std::size_t i = 0; i < stream.input.size(); ++i)
            stream.input[i] = float(int((std::size_t(call) * 320 + i) % 251) - 125) / 128.0f;
        mono.insert(mono.end(), stream.input.begin(), stream.input.begin() + kHostFrames);
        stream.process(rt, kHostFrames);
        check(stream.outProp.u32ValidFrameCount == kHostFrames, "microphone frame count");
        for (std::size_t f = 0; f < kHostFrames; ++f) {
            const std::size_t j = std::size_t(call) * kHostFrames + f;
            const float want = j >= kBlock ? mono[j - kBlock] : 0.0f;
            mismatches += (stream.output[2 * f] != want) + (stream.output[2 * f + 1] != want);
        }
    }
    std::printf("microphone: %zu of %u samples differ from the delayed mono signal\n", mismatches,
                100 * 2 * kHostFrames);
    check(mismatches == 0, "microphone output is its mono signal one block late on both channels");
}

}  // namespace

void checkMicrophone(const Module& module) {
    const Held<MemoryPropertyStore> store{MemoryPropertyStore::create()};
    {
        ProcessingObject microphone(module, ids::guid(ids::kMicrophoneClass));
        if (!check(microphone.ok, "microphone object and its interfaces")) return;
        auto& [object, apo, rt, config, ok] = microphone;
        // The 56-byte structure of the older audio engines: no mode, no device collection.
        APOInitSystemEffects init{};
        init.APOInit = {sizeof(init), ids::guid(ids::kMicrophoneClass)};
        init.pAPOSystemEffectsProperties = store.p;
        checkHr(apo->Initialize(sizeof(init), reinterpret_cast<std::uint8_t*>(&init)), S_OK,
                "microphone Initialize");
        Stream stream(2, 16000.0f, kHostFrames);
        checkHr(stream.lock(config.p), S_OK, "microphone LockForProcess");
        checkStream(rt.p, stream);
        checkHr(config->UnlockForProcess(), S_OK, "microphone UnlockForProcess");
        // The engine lives as long as the object: a second stream locks and runs again.
        checkHr(stream.lock(config.p), S_OK, "microphone second lock");
        stream.process(rt.p, kHostFrames);
        check(stream.outProp.u32BufferFlags == BUFFER_VALID, "second stream processes");
        checkHr(config->UnlockForProcess(), S_OK, "microphone second unlock");
    }
    check(store->references() == 1, "the microphone released the endpoint store");
}

}  // namespace host
