#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "chain/ParameterMessage.h"
#include "engine/PlaybackModule.h"

namespace veltra::testing {

// Frames at which the enhancement switch takes a new state.
using Switches = std::vector<std::pair<std::size_t, std::uint32_t>>;

// The speaker path as the audio service drives it: one playback engine over interleaved stereo at
// 48 kHz, in place, in host buffers of `host` frames counted from the start of the stream, or from
// the last switch, since a host hands the engine a new buffer when a control changes.
inline std::vector<float> playThrough(std::vector<float> x, std::size_t host,
                                      const Switches& switches = {{0, 1}}) {
    VeltraDspPlayback* engine = createPlaybackEngine(2, 2, 48000);
    const std::size_t frames = x.size() / 2;
    for (std::size_t at = 0, next = 0; at < frames;) {
        if (next < switches.size() && switches[next].first == at) {
            std::uint32_t record[2] = {kEnhancementMessage, switches[next++].second};
            sendPlaybackParameter(engine, record);
        }
        const std::size_t end =
            std::min({at + host, frames, next < switches.size() ? switches[next].first : frames});
        processPlayback(engine, x.data() + 2 * at, x.data() + 2 * at, std::uint32_t(end - at));
        at = end;
    }
    destroyPlaybackEngine(engine);
    return x;
}

}  // namespace veltra::testing
