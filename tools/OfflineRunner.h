#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "chain/ParameterBlock.h"
#include "engine/CaptureModule.h"
#include "engine/PlaybackModule.h"

namespace veltra::tools {

// One of the module's paths driven exactly as its processing object drives it, over a stream that
// arrives in pieces: host buffers of `hostFrames` in place, counted from the stream's start. A
// piece must hold whole host buffers (pieceFrames() does) except the stream's last. One-channel
// streams pass through unchanged, as the processing objects leave them.
class OfflineRunner {
  public:
    // The speaker path with the enable message sent; with a tuning, its stage blocks instead of the
    // built-in list. Null if the engine refuses the stream format.
    static std::unique_ptr<OfflineRunner> speaker(int channels, int sampleRate, bool enhancement,
                                                  std::size_t hostFrames,
                                                  const ParameterList* tuning = nullptr);
    // The microphone path: each host buffer is the reference, the microphone and the output.
    static std::unique_ptr<OfflineRunner> microphone(int channels, std::size_t hostFrames);
    ~OfflineRunner();
    OfflineRunner(const OfflineRunner&) = delete;
    OfflineRunner& operator=(const OfflineRunner&) = delete;

    // A piece size of whole host buffers near 8192 frames: small enough to stay in cache.
    std::size_t pieceFrames() const;
    void process(float* interleaved, std::size_t frames);

  private:
    OfflineRunner(int channels, std::size_t hostFrames);

    int channels_;
    std::size_t hostFrames_;
    VeltraDspPlayback* playback_ = nullptr;
    VeltraDspCapture* capture_ = nullptr;
};

}  // namespace veltra::tools
