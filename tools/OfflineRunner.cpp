#include "tools/OfflineRunner.h"

#include <algorithm>

#include "chain/ParameterMessage.h"
#include "effects/kernels/FlushDenormals.h"
#include "engine/CaptureModule.h"
#include "engine/PlaybackModule.h"

namespace veltra::tools {

OfflineRunner::OfflineRunner(int channels, std::size_t hostFrames)
    : channels_(channels), hostFrames_(std::max<std::size_t>(hostFrames, 1)) {}

OfflineRunner::~OfflineRunner() {
    if (playback_ != nullptr) destroyPlaybackEngine(playback_);
    if (capture_ != nullptr) destroyCaptureEngine(capture_);
}

std::unique_ptr<OfflineRunner> OfflineRunner::speaker(int channels, int sampleRate,
                                                      bool enhancement, std::size_t hostFrames,
                                                      const ParameterList* tuning) {
    std::unique_ptr<OfflineRunner> runner(new OfflineRunner(channels, hostFrames));
    if (channels < 2) return runner;
    const auto width = static_cast<std::uint32_t>(channels);
    runner->playback_ =
        createPlaybackEngine(width, width, static_cast<std::uint32_t>(sampleRate), tuning);
    if (runner->playback_ == nullptr) return nullptr;
    std::uint32_t record[2] = {kEnhancementMessage, enhancement ? 1u : 0u};
    sendPlaybackParameter(runner->playback_, record);
    return runner;
}

std::unique_ptr<OfflineRunner> OfflineRunner::microphone(int channels, std::size_t hostFrames) {
    std::unique_ptr<OfflineRunner> runner(new OfflineRunner(channels, hostFrames));
    if (channels < 2) return runner;
    runner->capture_ = createCaptureEngine();
    if (runner->capture_ == nullptr) return nullptr;
    return runner;
}

std::size_t OfflineRunner::pieceFrames() const {
    return hostFrames_ * std::max<std::size_t>(1, 8192 / hostFrames_);
}

void OfflineRunner::process(float* interleaved, std::size_t frames) {
    if (playback_ == nullptr && capture_ == nullptr) return;
    // The same floating-point mode as the processing objects' real-time entry, so that the offline
    // host produces the module's samples exactly.
    const kernels::ScopedFlushDenormals flush;
    const auto width = static_cast<std::size_t>(channels_);
    for (std::size_t done = 0; done < frames;) {
        const auto n = static_cast<std::uint32_t>(std::min(hostFrames_, frames - done));
        float* buffer = interleaved + done * width;
        if (playback_ != nullptr) {
            processPlayback(playback_, buffer, buffer, n);
        } else {
            processCapture(capture_, buffer, buffer, buffer, n);
        }
        done += n;
    }
}

}  // namespace veltra::tools
