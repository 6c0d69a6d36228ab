#include "engine/VeltraDspCapture.h"

#include <algorithm>

#include "chain/ChannelBlock.h"
#include "engine/EngineSupport.h"

namespace veltra {

VeltraDspCapture::~VeltraDspCapture() {
    releaseBuffers();
}

bool VeltraDspCapture::init(const std::uint32_t* configuration) {
    if (configuration == nullptr || configuration[0] > kMaxEngineChannels ||
        configuration[1] > kMaxEngineChannels || configuration[2] > kMaxEngineChannels ||
        configuration[3] > 1000000u) {
        return false;
    }
    referenceChannels_ = static_cast<int>(configuration[0]);
    microphoneChannels_ = static_cast<int>(configuration[1]);
    inputChannels_ = referenceChannels_ + microphoneChannels_;
    outputChannels_ = static_cast<int>(configuration[2]);
    sampleRate_ = static_cast<int>(configuration[3]);
    const bool ok = VeltraDsp::init(configuration);
    referenceQueue_ = createReferenceBuffer();
    microphoneQueue_ = createMicrophoneBuffer();
    outputQueue_ = createOutputBuffer();
    inputScratch_ = allocateChannelBlock(inputChannels_, blockSize());
    outputScratch_ = allocateChannelBlock(outputChannels_, blockSize());
    const auto reserve = static_cast<std::size_t>(blockSize()) + 4096;
    for (auto* q : {referenceQueue_.get(), microphoneQueue_.get(), outputQueue_.get()}) {
        if (q)
            q->queue().reserve(reserve *
                               static_cast<std::size_t>(std::max(inputChannels_, outputChannels_)));
    }
    return ok;
}

void VeltraDspCapture::releaseBuffers() {
    referenceQueue_.reset();
    microphoneQueue_.reset();
    outputQueue_.reset();
    freeChannelBlock(inputScratch_, inputChannels_);
    freeChannelBlock(outputScratch_, outputChannels_);
    inputScratch_ = outputScratch_ = nullptr;
}

void VeltraDspCapture::release() {
    releaseBuffers();
    VeltraDsp::release();
}

std::int32_t VeltraDspCapture::handleSetParameter(const ParameterMessage& message) {
    VeltraDsp::handleSetParameter(message);
    return 0;
}

std::uint32_t VeltraDspCapture::processInterleaved(const void* reference, const void* microphone,
                                                   void* output, std::uint32_t frames) {
    const std::lock_guard<std::mutex> guard(lock());
    if (!referenceQueue_ || !microphoneQueue_ || !outputQueue_ || reference == nullptr ||
        microphone == nullptr || output == nullptr) {
        return frames;
    }
    const int count = static_cast<int>(std::min(frames, kMaxFramesPerCall));
    const int block = blockSize();
    // Both streams are queued before anything is written, so all three may be the same buffer.
    referenceQueue_->write(reference, count);
    microphoneQueue_->write(microphone, count);
    SampleQueue& ref = referenceQueue_->queue();
    SampleQueue& mic = microphoneQueue_->queue();
    if (inputChannels_ > 0 && block > 0) {
        const auto perBlock =
            static_cast<std::size_t>(inputChannels_) * static_cast<std::size_t>(block);
        while (ref.size() + mic.size() >= perBlock) {
            ref.popDeinterleaved(inputScratch_, referenceChannels_, block);
            mic.popDeinterleaved(inputScratch_ + referenceChannels_, microphoneChannels_, block);
            processChain(inputScratch_, outputScratch_, block);
            outputQueue_->queue().pushDeinterleaved(outputScratch_, outputChannels_, block);
        }
    }
    outputQueue_->read(output, count);
    return static_cast<std::uint32_t>(count);
}

}  // namespace veltra
