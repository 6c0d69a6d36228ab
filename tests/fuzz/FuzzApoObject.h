#pragma once

#include <cstdint>

#include "FuzzInput.h"
#include "apo/EndpointProperties.h"
#include "apo/VeltraDspMicAPOMFX.h"
#include "apo/VeltraDspSpkAPOMFX.h"
#include "apo/platform/MemoryPropertyStore.h"

namespace veltra::fuzz {

// Creates the speaker or the microphone object (the input chooses), initialises it on an endpoint
// store of its own, hands both to `drive(object, store, input)`, and releases them.
template <typename Drive>
void withEitherObject(const std::uint8_t* data, std::size_t size, Drive drive) {
    using namespace veltra::apo;
    FuzzInput in(data, size);
    MemoryPropertyStore* store = MemoryPropertyStore::create();
    store->setUInt32(PKEY_Endpoint_Enable_SpkMFX, in.byte() & 1);
    const GUID mode =
        in.pick(4) == 0 ? AUDIO_SIGNALPROCESSINGMODE_RAW : AUDIO_SIGNALPROCESSINGMODE_DEFAULT;
    APOInitSystemEffects2 init{{sizeof(APOInitSystemEffects2), {}},
                               nullptr,
                               store,
                               nullptr,
                               reinterpret_cast<IMMDeviceCollection*>(std::uintptr_t{0x1000}),
                               0,
                               0,
                               mode,
                               0};
    auto run = [&](auto* apo) {
        apo->Initialize(sizeof(init), reinterpret_cast<std::uint8_t*>(&init));
        drive(apo, store, in);
        apo->Release();
    };
    if (in.pick(2) == 0) {
        run(VeltraDspSpkAPOMFX::create());
    } else {
        run(VeltraDspMicAPOMFX::create());
    }
    store->Release();
}

}  // namespace veltra::fuzz
