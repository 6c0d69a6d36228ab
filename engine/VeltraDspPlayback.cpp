#include "engine/VeltraDspPlayback.h"

#include <algorithm>

#include "chain/ChannelBlock.h"
#include "engine/EngineSupport.h"

namespace veltra {

VeltraDspPlayback::~VeltraDspPlayback() {
    releaseBuffers();
}

bool VeltraDspPlayback::init(const std::uint32_t* configuration) {
    if (configuration == nullptr || configuration[0] > kMaxEngineChannels ||
        configuration[1] > kMaxEngineChannels || configuration[2] > 1000000u) {
        return false;
    }
    inputChannels_ = static_cast<int>(configuration[0]);
    outputChannels_ = static_cast<int>(configuration[1]);
    sampleRate_ = static_cast<int>(configuration[2]);
    const bool ok = VeltraDsp::init(configuration);
    inputQueue_ = createInputBuffer();
    outputQueue_ = createOutputBuffer();
    // The chain works in place on the input block over the output channel count, so the block
    // must have room for whichever count is larger.
    scratchChannels_ = std::max(inputChannels_, outputChannels_);
    // Room for as many blocks as the chain takes in one call: every per-block cost of its stages
    // (filling a pipeline, a fast-path attempt) is then paid once per call, not once per block.
    const int run = blockSize() * blocksPerCall();
    inputScratch_ = allocateChannelBlock(scratchChannels_, run);
    outputScratch_ = allocateChannelBlock(scratchChannels_, run);
    zeroChannels(inputScratch_, 0, scratchChannels_, run);
    zeroChannels(outputScratch_, 0, scratchChannels_, run);
    // Room for a block plus a generous host buffer, so the real-time path starts allocation-free.
    const auto reserve =
        static_cast<std::size_t>(scratchChannels_) * static_cast<std::size_t>(blockSize() + 4096);
    if (inputQueue_) inputQueue_->queue().reserve(reserve);
    if (outputQueue_) outputQueue_->queue().reserve(reserve);
    return ok;
}

void VeltraDspPlayback::releaseBuffers() {
    inputQueue_.reset();
    outputQueue_.reset();
    freeChannelBlock(inputScratch_, scratchChannels_);
    freeChannelBlock(outputScratch_, scratchChannels_);
    inputScratch_ = outputScratch_ = nullptr;
    scratchChannels_ = 0;
}

void VeltraDspPlayback::release() {
    releaseBuffers();
    VeltraDsp::release();
}

std::int32_t VeltraDspPlayback::handleSetParameter(const ParameterMessage& message) {
    VeltraDsp::handleSetParameter(message);
    return 0;
}

std::uint32_t VeltraDspPlayback::processInterleaved(const void* input, void* output,
                                                    std::uint32_t frames) {
    const std::lock_guard<std::mutex> guard(lock());
    if (!inputQueue_ || !outputQueue_ || input == nullptr || output == nullptr) return frames;
    const int count = static_cast<int>(std::min(frames, kMaxFramesPerCall));
    const int block = blockSize();
    inputQueue_->write(input, count);
    if (inputChannels_ > 0 && block > 0) {
        const auto perBlock =
            static_cast<std::size_t>(inputChannels_) * static_cast<std::size_t>(block);
        SampleQueue& in = inputQueue_->queue();
        SampleQueue& out = outputQueue_->queue();
        while (in.size() >= perBlock) {
            const int run =
                block * static_cast<int>(std::min<std::size_t>(
                            in.size() / perBlock, static_cast<std::size_t>(blocksPerCall())));
            in.popDeinterleaved(inputScratch_, inputChannels_, run);
            // Output channels without an input channel start every block silent.
            zeroChannels(inputScratch_, inputChannels_, scratchChannels_, run);
            processChain(inputScratch_, outputScratch_, run);
            out.pushDeinterleaved(outputScratch_, outputChannels_, run);
        }
    }
    outputQueue_->read(output, count);
    return static_cast<std::uint32_t>(count);
}

}  // namespace veltra
