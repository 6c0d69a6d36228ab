#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "chain/ParameterBlock.h"

namespace veltra::tools {

// Called after each host buffer with the frames done so far and the total.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// The speaker path exactly as the speaker object drives it: engine for the stream's channels and
// rate, the enable message, then host buffers of `hostFrames` in place. One-channel streams pass
// through unchanged, as the speaker object leaves them. Returns false if no engine could be made.
// With a tuning, the engine runs those stage blocks instead of the built-in list.
bool runSpeaker(std::vector<float>& interleaved, int channels, int sampleRate, bool enhancement,
                std::size_t hostFrames, const Progress& progress = {},
                const ParameterList* tuning = nullptr);

// The microphone path as the microphone object drives it: each host buffer is handed to the
// capture engine as reference, microphone and output at once. One-channel streams pass through.
bool runMicrophone(std::vector<float>& interleaved, int channels, std::size_t hostFrames,
                   const Progress& progress = {});

}  // namespace veltra::tools
