#pragma once

#include <cstdint>

namespace veltra {

class VeltraDspPlayback;

// What the speaker processing object calls. Every function accepts a null engine and then does
// nothing; all but the factory return 0.
VeltraDspPlayback* createPlaybackEngine(std::uint32_t inputChannels, std::uint32_t outputChannels,
                                        std::uint32_t sampleRate);
int processPlayback(VeltraDspPlayback* engine, const void* input, void* output,
                    std::uint32_t frames);
int destroyPlaybackEngine(VeltraDspPlayback* engine);
int sendPlaybackParameter(VeltraDspPlayback* engine, std::uint32_t* record);
// The path's latency in frames as the engine is now set; 0 for no engine.
std::uint32_t playbackLatency(VeltraDspPlayback* engine);

}  // namespace veltra
