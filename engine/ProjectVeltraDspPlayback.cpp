#include "engine/ProjectVeltraDspPlayback.h"

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "chain/PlaybackInputAudioBuffer.h"
#include "chain/PlaybackOutputAudioBuffer.h"
#include "chain/ProjectPlaybackAudioProcessChain.h"

namespace veltra {

std::unique_ptr<AudioProcessChain> ProjectVeltraDspPlayback::createProcessChain() {
    return std::make_unique<ProjectPlaybackAudioProcessChain>(
        std::make_unique<PlaybackAudioProcessChainProvider>(tuning_));
}

// The chain is always the one createProcessChain makes.
bool ProjectVeltraDspPlayback::retune(const ParameterList& blocks, bool glide) {
    using Retune = ProjectPlaybackAudioProcessChain::Retune;
    const std::lock_guard<std::mutex> guard(lock());
    auto* playback = static_cast<ProjectPlaybackAudioProcessChain*>(chain());
    return playback != nullptr &&
           playback->retune(blocks, glide ? Retune::kGlide : Retune::kAtOnce);
}

bool ProjectVeltraDspPlayback::retunePending() {
    const std::lock_guard<std::mutex> guard(lock());
    const auto* playback = static_cast<const ProjectPlaybackAudioProcessChain*>(chain());
    return playback != nullptr && playback->retunePending();
}

std::unique_ptr<AudioBuffer> ProjectVeltraDspPlayback::createInputBuffer() {
    return std::make_unique<PlaybackInputAudioBuffer>(inputChannels(), sampleFormat_);
}

std::unique_ptr<AudioBuffer> ProjectVeltraDspPlayback::createOutputBuffer() {
    auto buffer = std::make_unique<PlaybackOutputAudioBuffer>(outputChannels(), sampleFormat_);
    // One block of silence: the constant one-block lead that keeps every read satisfied.
    for (int i = 0; i < outputChannels() * blockSize(); ++i) buffer->queue().pushBack(0.0f);
    return buffer;
}

}  // namespace veltra
