#pragma once

#include "effects/PerChannelAudioEffectObject.h"
#include "effects/gain/InternalGainAudioEffectObject.h"

namespace veltra {

// Multichannel gain: one internal gain per channel, all set from the same block.
class GainAudioEffectObject final
    : public PerChannelAudioEffectObject<InternalGainAudioEffectObject> {
  public:
    explicit GainAudioEffectObject(int channels)
        : PerChannelAudioEffectObject(
              channels, [] { return std::make_unique<InternalGainAudioEffectObject>(); }) {}
};

}  // namespace veltra
