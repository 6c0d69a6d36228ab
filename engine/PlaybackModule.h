#pragma once

#include <cstdint>

#include "chain/ParameterBlock.h"

namespace veltra {

class VeltraDspPlayback;

// What the speaker processing object calls. Every function accepts a null engine and then does
// nothing; all but the factory return 0.
// With a tuning, the engine runs those seven stage blocks (copied) instead of the built-in list.
VeltraDspPlayback* createPlaybackEngine(std::uint32_t inputChannels, std::uint32_t outputChannels,
                                        std::uint32_t sampleRate,
                                        const ParameterList* tuning = nullptr);
int processPlayback(VeltraDspPlayback* engine, const void* input, void* output,
                    std::uint32_t frames);
int destroyPlaybackEngine(VeltraDspPlayback* engine);
int sendPlaybackParameter(VeltraDspPlayback* engine, std::uint32_t* record);
// New settings for the engine's stages, in place and without allocating (the list must name its
// stages in order). Gliding, only the stages whose values changed move to them, each within about
// 20 ms and without a gap in the sound, and the rest play on; while a glide runs
// (playbackRetunePending) a new one is refused and the caller offers it again later. Otherwise
// every stage restarts from the list at once, as a new engine would. False if refused.
bool retunePlayback(VeltraDspPlayback* engine, const ParameterList& blocks, bool glide);
bool playbackRetunePending(VeltraDspPlayback* engine);
// The path's latency in frames as the engine is now set; 0 for no engine.
std::uint32_t playbackLatency(VeltraDspPlayback* engine);

}  // namespace veltra
