#pragma once

#include <cmath>

#include "apo/ApoRegistrationRecords.h"
#include "apo/EndpointProperties.h"
#include "windows/HostModule.h"

namespace veltra::apo {

// The host's stereo 48 kHz stream with an endpoint store (enhancement on) and the initialisation
// the audio service gives the speaker object.
struct Endpoint : host::Stream {
    Endpoint() : Stream(2, 48000.0f, 480) { store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, 1); }
    ~Endpoint() { store->Release(); }
    HRESULT initialize(IAudioProcessingObject* apo) {
        APOInitSystemEffects2 init{
            {sizeof(init), CLSID_VeltraDspSpkAPOMFX}, nullptr, store, nullptr, devices.p, 0, 0,
            AUDIO_SIGNALPROCESSINGMODE_DEFAULT,       0};
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

}  // namespace veltra::apo
