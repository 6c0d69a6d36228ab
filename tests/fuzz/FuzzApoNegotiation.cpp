// Format negotiation and LockForProcess with arbitrary formats and connection descriptors, on both
// processing objects, in any order with unlocks: whatever arrives, an HRESULT comes back.
#include <vector>

#include "FuzzApoObject.h"
#include "apo/AudioMediaType.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspMicAPOMFX.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace {

using namespace veltra::apo;

IMMDeviceCollection* const kSomeDevices =
    reinterpret_cast<IMMDeviceCollection*>(std::uintptr_t{0x1000});

UNCOMPRESSEDAUDIOFORMAT readFormat(veltra::fuzz::FuzzInput& in) {
    const GUID pcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    UNCOMPRESSEDAUDIOFORMAT f{};
    const std::uint32_t kind = in.pick(3);
    f.guidFormatType = kind == 0   ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT
                       : kind == 1 ? pcm
                                   : GUID{in.u32(), 0, 0, {}};
    // Mostly the values a real stream has, sometimes anything at all.
    f.dwSamplesPerFrame = in.pick(4) == 0 ? in.u32() : 1 + in.pick(8);
    f.dwBytesPerSampleContainer = in.pick(4) == 0 ? in.u32() : 4;
    f.dwValidBitsPerSample = in.pick(4) == 0 ? in.u32() : 32;
    const float rates[] = {48000.0f, 44100.0f, 16000.0f, 96000.0f};
    f.fFramesPerSecond = in.pick(4) == 0 ? in.f32() : rates[in.pick(4)];
    f.dwChannelMask = in.u32();
    return f;
}

template <typename Object>
void drive(Object* apo, MemoryPropertyStore* store, veltra::fuzz::FuzzInput& in) {
    // Sometimes a second initialisation, of any declared size, over the first.
    APOInitSystemEffects2 init{
        {sizeof(APOInitSystemEffects2), {}}, nullptr, store, nullptr, kSomeDevices, 0, 0,
        AUDIO_SIGNALPROCESSINGMODE_DEFAULT,  0};
    if (in.pick(4) == 0) apo->Initialize(in.u32() % 128, reinterpret_cast<std::uint8_t*>(&init));
    std::vector<float> memory(4096);
    std::vector<IAudioMediaType*> types;
    for (int step = 0; step < 16 && !in.empty(); ++step) {
        IAudioMediaType* a = AudioMediaType::create(readFormat(in));
        IAudioMediaType* b = AudioMediaType::create(readFormat(in));
        types.push_back(a);
        types.push_back(b);
        IAudioMediaType* answer = nullptr;
        switch (in.pick(5)) {
            case 0:
                apo->IsInputFormatSupported(in.pick(2) ? a : nullptr, in.pick(8) ? b : nullptr,
                                            &answer);
                break;
            case 1:
                apo->IsOutputFormatSupported(in.pick(2) ? a : nullptr, b,
                                             in.pick(8) ? &answer : nullptr);
                break;
            case 2: {
                APO_CONNECTION_DESCRIPTOR d[2];
                for (auto& x : d) {
                    const std::uint32_t offset = in.u32() % 2048;
                    x = {APO_CONNECTION_BUFFER_TYPE(in.pick(3)),
                         reinterpret_cast<std::uintptr_t>(memory.data() + offset), in.u32() % 4096,
                         in.pick(8) ? (in.pick(2) ? a : b) : nullptr,
                         in.pick(8) ? APO_CONNECTION_DESCRIPTOR_SIGNATURE : in.u32()};
                }
                APO_CONNECTION_DESCRIPTOR* inputs[2] = {&d[0], in.pick(8) ? &d[1] : nullptr};
                APO_CONNECTION_DESCRIPTOR* outputs[2] = {&d[1], &d[0]};
                apo->LockForProcess(in.pick(3), in.pick(8) ? inputs : nullptr, in.pick(3),
                                    in.pick(8) ? outputs : nullptr);
                break;
            }
            case 3:
                apo->UnlockForProcess();
                break;
            default: {
                UINT32 channels = 0;
                apo->GetInputChannelCount(&channels);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    veltra::fuzz::withEitherObject(data, size,
                                   [](auto* apo, auto* store, auto& in) { drive(apo, store, in); });
    return 0;
}
