#pragma once

#include <cstdint>
#include <memory>

#include "chain/AudioBuffer.h"
#include "chain/ParameterBlock.h"
#include "engine/VeltraDsp.h"

namespace veltra {

// Speaker-path engine: re-blocks an interleaved stream of any buffer length into chain blocks
// and hands back exactly as many frames as it received, one block late.
class VeltraDspPlayback : public VeltraDsp {
  public:
    VeltraDspPlayback() = default;
    ~VeltraDspPlayback() override;

    bool init(const std::uint32_t* configuration) override;
    void release() override;
    std::int32_t handleSetParameter(const ParameterMessage& message) override;
    virtual std::unique_ptr<AudioBuffer> createInputBuffer() = 0;
    virtual std::unique_ptr<AudioBuffer> createOutputBuffer() = 0;

    // Input and output hold `frames` interleaved frames in the engine's format; they may alias.
    std::uint32_t processInterleaved(const void* input, void* output, std::uint32_t frames);
    // New settings for the running stages (see retunePlayback); an engine whose chain cannot
    // take them refuses.
    virtual bool retune(const ParameterList& /*blocks*/, bool /*glide*/) { return false; }
    virtual bool retunePending() { return false; }

    int inputChannels() const { return inputChannels_; }
    int outputChannels() const { return outputChannels_; }
    int sampleRate() const { return sampleRate_; }
    const AudioBuffer* inputQueue() const { return inputQueue_.get(); }
    const AudioBuffer* outputQueue() const { return outputQueue_.get(); }

  protected:
    void releaseBuffers();

  private:
    float** inputScratch_ = nullptr;
    float** outputScratch_ = nullptr;
    int scratchChannels_ = 0;  // the working block has max(input, output) channels
    int inputChannels_ = 0;
    int outputChannels_ = 0;
    int sampleRate_ = 48000;
    std::unique_ptr<AudioBuffer> inputQueue_;
    std::unique_ptr<AudioBuffer> outputQueue_;
};

}  // namespace veltra
