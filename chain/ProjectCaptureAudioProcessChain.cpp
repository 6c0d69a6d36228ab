#include "chain/ProjectCaptureAudioProcessChain.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/DebugLog.h"

namespace veltra {

std::int64_t ProjectCaptureAudioProcessChain::reportInterval() const {
    const std::int64_t rate = sampleRate_ != 0 ? sampleRate_ : 16000;
    // Kept within the signed frame counter so it is always reached.
    return std::min<std::int64_t>(10 * rate, std::numeric_limits<std::int32_t>::max());
}

void ProjectCaptureAudioProcessChain::processBlock(float** input, float** output, int frames) {
    if (frames <= 0) return;
    profiler().start(kSection);
    // Two ranges: the reference channels, then the microphone channels after them, each copied to
    // the output channel of the same number for as far as the output reaches.
    const auto bytes = static_cast<std::size_t>(frames) * sizeof(float);
    const std::uint32_t firstEnd = std::min(referenceChannels_, outputChannels_);
    const std::uint32_t secondEnd = std::min(inputChannels_, outputChannels_);
    for (std::uint32_t c = 0; c < firstEnd; ++c) std::memmove(output[c], input[c], bytes);
    for (std::uint32_t c = firstEnd; c < secondEnd; ++c) std::memmove(output[c], input[c], bytes);
    // Output channels without an input channel carry silence rather than stale samples.
    for (std::uint32_t c = secondEnd; c < outputChannels_; ++c) std::memset(output[c], 0, bytes);
    profiler().stop(kSection);

    processedSamples_ += frames;
    if (processedSamples_ >= reportInterval()) {
        logDebug("capture chain process samples(%d): %d\n", processedSamples_,
                 static_cast<int>(profiler().total(kSection)));
        profiler().reset();
        processedSamples_ = 0;
    }
}

}  // namespace veltra
