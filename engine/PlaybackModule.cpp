#include "engine/PlaybackModule.h"

#include "effects/kernels/KernelSelection.h"
#include "engine/DebugLog.h"
#include "engine/ProjectVeltraDspPlayback.h"

namespace veltra {

VeltraDspPlayback* createPlaybackEngine(std::uint32_t inputChannels, std::uint32_t outputChannels,
                                        std::uint32_t sampleRate, const ParameterList* tuning) {
    // A stream's kernels are chosen once, before its effects are built.
    kernels::KernelSelection::choose();
    if (const char* notice = kernels::KernelSelection::takeFallbackNotice()) logDebug("%s", notice);
    auto* engine = new ProjectVeltraDspPlayback(tuning);
    const std::uint32_t configuration[3] = {inputChannels, outputChannels, sampleRate};
    if (!engine->init(configuration)) {
        engine->release();
        delete engine;
        return nullptr;
    }
    return engine;
}

int processPlayback(VeltraDspPlayback* engine, const void* input, void* output,
                    std::uint32_t frames) {
    if (engine != nullptr) engine->processInterleaved(input, output, frames);
    return 0;
}

int destroyPlaybackEngine(VeltraDspPlayback* engine) {
    if (engine != nullptr) {
        engine->release();
        delete engine;
    }
    return 0;
}

int sendPlaybackParameter(VeltraDspPlayback* engine, std::uint32_t* record) {
    if (engine != nullptr) engine->setParameter(record);
    return 0;
}

bool retunePlayback(VeltraDspPlayback* engine, const ParameterList& blocks, bool glide) {
    return engine != nullptr && engine->retune(blocks, glide);
}

bool playbackRetunePending(VeltraDspPlayback* engine) {
    return engine != nullptr && engine->retunePending();
}

std::uint32_t playbackLatency(VeltraDspPlayback* engine) {
    return engine != nullptr ? static_cast<std::uint32_t>(engine->latencyFrames()) : 0;
}

}  // namespace veltra
