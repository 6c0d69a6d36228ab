#include "engine/ProjectVeltraDspCapture.h"

#include "chain/CaptureAudioProcessChainProvider.h"
#include "chain/CaptureMicrophoneAudioBuffer.h"
#include "chain/CaptureOutputAudioBuffer.h"
#include "chain/CaptureReferenceAudioBuffer.h"
#include "chain/ProjectCaptureAudioProcessChain.h"

namespace veltra {

std::unique_ptr<AudioProcessChain> ProjectVeltraDspCapture::createProcessChain() {
    return std::make_unique<ProjectCaptureAudioProcessChain>(
        std::make_unique<CaptureAudioProcessChainProvider>());
}

std::unique_ptr<AudioBuffer> ProjectVeltraDspCapture::createReferenceBuffer() {
    return std::make_unique<CaptureReferenceAudioBuffer>(referenceChannels(), 0, sampleFormat_);
}

std::unique_ptr<AudioBuffer> ProjectVeltraDspCapture::createMicrophoneBuffer() {
    return std::make_unique<CaptureMicrophoneAudioBuffer>(0, microphoneChannels(), sampleFormat_);
}

std::unique_ptr<AudioBuffer> ProjectVeltraDspCapture::createOutputBuffer() {
    auto buffer = std::make_unique<CaptureOutputAudioBuffer>(outputChannels(), sampleFormat_);
    for (int i = 0; i < outputChannels() * blockSize(); ++i) buffer->queue().pushBack(0.0f);
    return buffer;
}

}  // namespace veltra
