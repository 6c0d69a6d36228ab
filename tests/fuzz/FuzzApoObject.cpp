// Either processing object driven by arbitrary calls, in any order, as a faulty or hostile audio
// service might: format negotiation and LockForProcess with arbitrary formats and descriptors, a
// good stream of 1 to 8 channels at any acceptable rate, APOProcess with arbitrary flags, frame
// counts and sample bits, unlocks, enhancement toggles and effects-list calls in between. Whatever
// arrives, an HRESULT comes back and nothing is touched outside the buffers.
#include <vector>

#include "FuzzInput.h"
#include "apo/AudioMediaType.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspMicAPOMFX.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "apo/platform/MemoryPropertyStore.h"
#include "windows/HostPlatform.h"

namespace {

using namespace veltra::apo;
using veltra::fuzz::FuzzInput;

// Mostly the values a real stream has, sometimes anything at all.
UNCOMPRESSEDAUDIOFORMAT readFormat(FuzzInput& in) {
    const GUID pcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    const std::uint32_t kind = in.pick(3);
    const float rates[] = {48000.0f, 44100.0f, 16000.0f, 8000.0f, 192000.0f, 10.0f, 384000.0f};
    UNCOMPRESSEDAUDIOFORMAT f{};
    f.guidFormatType =
        kind == 0 ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT : (kind == 1 ? pcm : GUID{in.u32(), 0, 0, {}});
    f.dwSamplesPerFrame = in.pick(4) == 0 ? in.u32() : 1 + in.pick(8);
    f.dwBytesPerSampleContainer = in.pick(4) == 0 ? in.u32() : 4;
    f.dwValidBitsPerSample = in.pick(4) == 0 ? in.u32() : 32;
    f.fFramesPerSecond = in.pick(4) == 0 ? in.f32() : rates[in.pick(7)];
    f.dwChannelMask = in.u32();
    return f;
}

template <typename Object>
void drive(Object* apo, MemoryPropertyStore* store, FuzzInput& in) {
    // Both connections' buffers, 8 channels at most; kept, as page-faulting 128 KiB per input
    // would cost more than the input.
    static std::vector<float> memory(2 * 8 * 2048);
    std::vector<IAudioMediaType*> types;
    UINT32 channels = 1, maxFrames = 0;
    for (int step = 0; step < 32 && !in.empty(); ++step) {
        types.push_back(AudioMediaType::create(readFormat(in)));
        IAudioMediaType* a = types.back();
        IAudioMediaType* b = types[in.pick(std::uint32_t(types.size()))];
        IAudioMediaType* answer = nullptr;
        APO_CONNECTION_DESCRIPTOR d[2];
        APO_CONNECTION_DESCRIPTOR* ds[3] = {&d[0], &d[1], &d[0]};  // inputs, or outputs from 1
        switch (in.pick(9)) {
            case 0:
                apo->IsInputFormatSupported(in.pick(2) ? a : nullptr, in.pick(8) ? b : nullptr,
                                            &answer);
                break;
            case 1:
                apo->IsOutputFormatSupported(in.pick(2) ? a : nullptr, b,
                                             in.pick(8) ? &answer : nullptr);
                break;
            case 2:  // any descriptors at all, into the same memory
                for (auto& x : d)
                    x = {APO_CONNECTION_BUFFER_TYPE(in.pick(3)),
                         reinterpret_cast<std::uintptr_t>(memory.data() + in.u32() % 4096),
                         in.u32() % 4096, in.pick(8) ? (in.pick(2) ? a : b) : nullptr,
                         in.pick(8) ? APO_CONNECTION_DESCRIPTOR_SIGNATURE : in.u32()};
                apo->LockForProcess(in.pick(3), in.pick(8) ? ds : nullptr, in.pick(3),
                                    in.pick(8) ? ds + 1 : nullptr);
                break;
            case 3: {  // a good stream on the float format, as the audio service locks one
                UNCOMPRESSEDAUDIOFORMAT f = readFormat(in);
                f.guidFormatType = KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
                // Mostly stereo, as speakers are: a stream's queues grow with its channels, and
                // eight channels' cost a stream start four times a pair's.
                f.dwSamplesPerFrame = channels = in.pick(4) == 0 ? 1 + in.pick(8) : 2;
                f.dwBytesPerSampleContainer = 4;
                f.dwValidBitsPerSample = 32;
                types.push_back(AudioMediaType::create(f));
                maxFrames = 1 + in.u32() % 2048;
                d[0] = {APO_CONNECTION_BUFFER_TYPE_EXTERNAL,
                        reinterpret_cast<std::uintptr_t>(memory.data()), maxFrames, types.back(),
                        APO_CONNECTION_DESCRIPTOR_SIGNATURE};
                d[1] = d[0];
                d[1].pBuffer += memory.size() / 2 * sizeof(float);
                if (FAILED(apo->LockForProcess(1, ds, 1, ds + 1))) maxFrames = 0;
                break;
            }
            case 4:
            case 5: {  // arbitrary audio: only the frames the locked stream allows
                // Mostly the short periods that reach every branch; sometimes any allowed length.
                const UINT32 wanted = in.pick(8) == 0 ? in.u32() : in.pick(160);
                const UINT32 frames = maxFrames == 0 ? 0 : wanted % (maxFrames + 1);
                in.audio(memory.data(), std::size_t(frames) * channels);
                const std::uint32_t flags = in.pick(4) == 0 ? in.u32() : in.pick(3);
                const std::size_t out = in.pick(4) == 0 ? 0 : memory.size() / 2;  // or in place
                APO_CONNECTION_PROPERTY p[2] = {
                    {reinterpret_cast<std::uintptr_t>(memory.data()), frames,
                     APO_BUFFER_FLAGS(flags), 0},
                    {reinterpret_cast<std::uintptr_t>(memory.data() + out), 0, BUFFER_INVALID, 0}};
                APO_CONNECTION_PROPERTY* ps[2] = {&p[0], &p[1]};
                if (maxFrames != 0) apo->APOProcess(1, ps, in.pick(4) ? 1 : 0, ps + 1);
                break;
            }
            case 6:
                apo->UnlockForProcess();
                maxFrames = 0;
                break;
            case 7:
                store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, in.pick(2));
                apo->OnPropertyValueChanged(nullptr, PKEY_AudioEndpoint_Disable_SysFx);
                break;
            default: {
                UINT32 count = 0;
                GUID* list = nullptr;
                apo->GetEffectsList(&list, &count, nullptr);
                apo->GetInputChannelCount(&count);
                APO_REG_PROPERTIES* record = nullptr;
                if (SUCCEEDED(apo->GetRegistrationProperties(&record))) taskFree(record);
                break;
            }
        }
        if (answer != nullptr) answer->Release();
    }
    apo->UnlockForProcess();
    for (IAudioMediaType* t : types) t->Release();
}

// A new object, initialised as the audio service does: sometimes with a wrong declared size,
// sometimes twice.
template <typename Object>
Object* initialised(MemoryPropertyStore* store, FuzzInput& in) {
    Object* apo = Object::create();
    store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, in.pick(2));
    APOInitSystemEffects2 init = host::systemEffects(
        {}, store, reinterpret_cast<IMMDeviceCollection*>(std::uintptr_t{0x1000}),
        in.pick(4) == 0 ? AUDIO_SIGNALPROCESSINGMODE_RAW : AUDIO_SIGNALPROCESSINGMODE_DEFAULT);
    apo->Initialize(in.pick(4) == 0 ? in.u32() % 128 : sizeof(init),
                    reinterpret_cast<std::uint8_t*>(&init));
    if (in.pick(4) == 0) apo->Initialize(sizeof(init), reinterpret_cast<std::uint8_t*>(&init));
    return apo;
}

// One object of each kind lives across inputs, as the audio service keeps one across streams;
// an input ends unlocked, and one in 32 starts with a new object (on one byte value that is not
// 0, which is what a short input reads past its end: making an object costs many runs).
template <typename Object>
void run(FuzzInput& in) {
    static MemoryPropertyStore* store = MemoryPropertyStore::create();
    static Object* apo = nullptr;
    if (apo == nullptr || in.pick(32) == 13) {
        if (apo != nullptr) apo->Release();
        apo = initialised<Object>(store, in);
    }
    drive(apo, store, in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    if (in.pick(2) == 0) {
        run<VeltraDspSpkAPOMFX>(in);
    } else {
        run<VeltraDspMicAPOMFX>(in);
    }
    return 0;
}
