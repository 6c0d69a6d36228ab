#include "tools/OfflineRunner.h"

#include <algorithm>
#include <cstdint>

#include "apo/platform/FlushDenormals.h"
#include "engine/CaptureModule.h"
#include "engine/PlaybackModule.h"

namespace veltra::tools {

namespace {

template <typename Step>
void inHostBuffers(std::vector<float>& samples, int channels, std::size_t hostFrames,
                   const Progress& progress, Step step) {
    const std::size_t total = samples.size() / static_cast<std::size_t>(channels);
    // The same floating-point mode as the processing objects' real-time entry, so that the offline
    // host produces the module's samples exactly.
    const apo::ScopedFlushDenormals flush;
    hostFrames = std::max<std::size_t>(hostFrames, 1);
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min(hostFrames, total - done);
        step(samples.data() + done * static_cast<std::size_t>(channels),
             static_cast<std::uint32_t>(n));
        done += n;
        if (progress) progress(done, total);
    }
}

}  // namespace

bool runSpeaker(std::vector<float>& samples, int channels, int sampleRate, bool enhancement,
                std::size_t hostFrames, const Progress& progress, const ParameterList* tuning) {
    if (channels < 2) return true;
    VeltraDspPlayback* engine = createPlaybackEngine(
        static_cast<std::uint32_t>(channels), static_cast<std::uint32_t>(channels),
        static_cast<std::uint32_t>(sampleRate), tuning);
    if (engine == nullptr) return false;
    std::uint32_t record[2] = {10003, enhancement ? 1u : 0u};
    sendPlaybackParameter(engine, record);
    inHostBuffers(samples, channels, hostFrames, progress, [&](float* buffer, std::uint32_t n) {
        processPlayback(engine, buffer, buffer, n);
    });
    destroyPlaybackEngine(engine);
    return true;
}

bool runMicrophone(std::vector<float>& samples, int channels, std::size_t hostFrames,
                   const Progress& progress) {
    if (channels < 2) return true;
    VeltraDspCapture* engine = createCaptureEngine();
    if (engine == nullptr) return false;
    inHostBuffers(samples, channels, hostFrames, progress, [&](float* buffer, std::uint32_t n) {
        processCapture(engine, buffer, buffer, buffer, n);
    });
    destroyCaptureEngine(engine);
    return true;
}

}  // namespace veltra::tools
