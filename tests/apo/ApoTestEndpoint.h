#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "apo/ApoRegistrationRecords.h"
#include "apo/AudioMediaType.h"
#include "apo/BaseAudioProcessingObject.h"
#include "apo/EndpointProperties.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace veltra::apo {

inline IMMDeviceCollection* const kSomeDevices =
    reinterpret_cast<IMMDeviceCollection*>(std::uintptr_t{0x1000});

// An endpoint store, initialisation structures and one stereo float connection pair.
struct Endpoint {
    explicit Endpoint(ULONG enable, GUID mode = AUDIO_SIGNALPROCESSINGMODE_DEFAULT)
        : store(MemoryPropertyStore::create()) {
        store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, enable);
        init2 = {{sizeof(APOInitSystemEffects2), CLSID_VeltraDspSpkAPOMFX},
                 nullptr,
                 store,
                 nullptr,
                 kSomeDevices,
                 0,
                 0,
                 mode,
                 0};
        format = AudioMediaType::create({KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 2, 4, 32, 48000.0f, 3});
        inDesc = {APO_CONNECTION_BUFFER_TYPE_EXTERNAL, reinterpret_cast<std::uintptr_t>(in.data()),
                  480, format, APO_CONNECTION_DESCRIPTOR_SIGNATURE};
        outDesc = inDesc;
        outDesc.pBuffer = reinterpret_cast<std::uintptr_t>(out.data());
    }
    ~Endpoint() {
        format->Release();
        store->Release();
    }
    template <typename Object>
    HRESULT initialize(Object& apo) {
        return apo.Initialize(sizeof(APOInitSystemEffects2),
                              reinterpret_cast<std::uint8_t*>(&init2));
    }
    template <typename Object>
    HRESULT lock(Object& apo) {
        APO_CONNECTION_DESCRIPTOR* i[1] = {&inDesc};
        APO_CONNECTION_DESCRIPTOR* o[1] = {&outDesc};
        return apo.LockForProcess(1, i, 1, o);
    }
    template <typename Object>
    void process(Object& apo, UINT32 frames, APO_BUFFER_FLAGS flags = BUFFER_VALID) {
        inProp = {reinterpret_cast<std::uintptr_t>(in.data()), frames, flags, 0};
        outProp = {reinterpret_cast<std::uintptr_t>(out.data()), 0, BUFFER_INVALID, 0};
        APO_CONNECTION_PROPERTY* i[1] = {&inProp};
        APO_CONNECTION_PROPERTY* o[1] = {&outProp};
        apo.APOProcess(1, i, 1, o);
    }
    MemoryPropertyStore* store;
    APOInitSystemEffects2 init2{};
    IAudioMediaType* format;
    std::vector<float> in = std::vector<float>(2 * 480), out = std::vector<float>(2 * 480);
    APO_CONNECTION_DESCRIPTOR inDesc{}, outDesc{};
    APO_CONNECTION_PROPERTY inProp{}, outProp{};
};

inline void fill(std::vector<float>& buffer, std::size_t offset) {
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = 0.7f * std::sin(0.003f * float(offset + i));
}

}  // namespace veltra::apo
