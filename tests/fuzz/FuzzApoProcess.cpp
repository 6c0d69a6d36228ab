// The real-time entry with arbitrary buffer flags, frame counts up to the locked maximum and
// arbitrary sample bits, on a stream of 1 to 8 channels at any acceptable rate, with enhancement
// toggles and effects-list calls in between, for both processing objects.
#include <vector>

#include "FuzzApoObject.h"
#include "apo/AudioMediaType.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspMicAPOMFX.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace {

using namespace veltra::apo;

template <typename Object>
void drive(Object* apo, MemoryPropertyStore* store, veltra::fuzz::FuzzInput& in) {
    const UINT32 channels = 1 + in.pick(8);
    const float rates[] = {48000.0f, 44100.0f, 16000.0f, 8000.0f, 192000.0f, 10.0f, 384000.0f};
    const UINT32 maxFrames = 1 + in.u32() % 2048;
    IAudioMediaType* format = AudioMediaType::create(
        {KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, channels, 4, 32, rates[in.pick(7)], 0});
    std::vector<float> input(std::size_t(channels) * maxFrames), output(input.size());
    APO_CONNECTION_DESCRIPTOR inDesc{APO_CONNECTION_BUFFER_TYPE_EXTERNAL,
                                     reinterpret_cast<std::uintptr_t>(input.data()), maxFrames,
                                     format, APO_CONNECTION_DESCRIPTOR_SIGNATURE};
    APO_CONNECTION_DESCRIPTOR outDesc = inDesc;
    outDesc.pBuffer = reinterpret_cast<std::uintptr_t>(output.data());
    APO_CONNECTION_DESCRIPTOR* ins[1] = {&inDesc};
    APO_CONNECTION_DESCRIPTOR* outs[1] = {&outDesc};
    if (SUCCEEDED(apo->LockForProcess(1, ins, 1, outs))) {
        for (int call = 0; call < 24 && !in.empty(); ++call) {
            const UINT32 frames = in.u32() % (maxFrames + 1);
            for (std::size_t i = 0; i < std::size_t(frames) * channels; ++i) input[i] = in.f32();
            const std::uint32_t flags = in.pick(4) == 0 ? in.u32() : in.pick(3);
            APO_CONNECTION_PROPERTY inProp{reinterpret_cast<std::uintptr_t>(input.data()), frames,
                                           APO_BUFFER_FLAGS(flags), 0};
            const bool inPlace = in.pick(4) == 0;
            APO_CONNECTION_PROPERTY outProp{
                reinterpret_cast<std::uintptr_t>(inPlace ? input.data() : output.data()), 0,
                BUFFER_INVALID, 0};
            APO_CONNECTION_PROPERTY* inProps[1] = {&inProp};
            APO_CONNECTION_PROPERTY* outProps[1] = {&outProp};
            apo->APOProcess(1, inProps, in.pick(4) ? 1 : 0, outProps);
            if (in.pick(8) == 0) {
                store->setUInt32(PKEY_AudioEndpoint_Disable_SysFx, in.pick(2));
                apo->OnPropertyValueChanged(nullptr, PKEY_AudioEndpoint_Disable_SysFx);
            }
            if (in.pick(16) == 0) {
                GUID* list = nullptr;
                UINT32 count = 0;
                apo->GetEffectsList(&list, &count, nullptr);
            }
        }
        apo->UnlockForProcess();
    }
    format->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    veltra::fuzz::withEitherObject(data, size,
                                   [](auto* apo, auto* store, auto& in) { drive(apo, store, in); });
    return 0;
}
