#pragma once

#include "effects/PerChannelAudioEffectObject.h"
#include "effects/limiter/InternalLimiterAudioEffectObject.h"

namespace veltra {

// Multichannel limiter: one mono limiter per channel, same parameters, independent gain state
// (no channel linking).
class LimiterAudioEffectObject final
    : public PerChannelAudioEffectObject<InternalLimiterAudioEffectObject> {
  public:
    LimiterAudioEffectObject(int channels, std::uint32_t sampleRate)
        : PerChannelAudioEffectObject(channels, [sampleRate] {
              return std::make_unique<InternalLimiterAudioEffectObject>(sampleRate);
          }) {}

    // Channels in pairs through one loop; the same result as one limiter after the other.
    int processBlock(float** input, float** output, int frames) override;
    // Every channel has the same settings, so the first speaks for all.
    int activeLatencyFrames() const override;
};

}  // namespace veltra
