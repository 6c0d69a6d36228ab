#pragma once

#include <cstdint>
#include <memory>

#include "chain/AudioBuffer.h"
#include "engine/VeltraDsp.h"

namespace veltra {

// Microphone-path engine: merges a reference stream and a microphone stream channel by channel
// (reference first) into chain blocks and hands back as many frames as it received, one block late.
class VeltraDspCapture : public VeltraDsp {
  public:
    VeltraDspCapture() = default;
    ~VeltraDspCapture() override;

    bool init(const std::uint32_t* configuration) override;
    void release() override;
    std::int32_t handleSetParameter(const ParameterMessage& message) override;
    virtual std::unique_ptr<AudioBuffer> createReferenceBuffer() = 0;
    virtual std::unique_ptr<AudioBuffer> createMicrophoneBuffer() = 0;
    virtual std::unique_ptr<AudioBuffer> createOutputBuffer() = 0;

    std::uint32_t processInterleaved(const void* reference, const void* microphone, void* output,
                                     std::uint32_t frames);

    int referenceChannels() const { return referenceChannels_; }
    int microphoneChannels() const { return microphoneChannels_; }
    int outputChannels() const { return outputChannels_; }
    const AudioBuffer* referenceQueue() const { return referenceQueue_.get(); }

  private:
    void releaseBuffers();

    float** inputScratch_ = nullptr;
    float** outputScratch_ = nullptr;
    int referenceChannels_ = 0;
    int microphoneChannels_ = 0;
    int inputChannels_ = 0;
    int outputChannels_ = 0;
    int sampleRate_ = 16000;
    std::unique_ptr<AudioBuffer> referenceQueue_;
    std::unique_ptr<AudioBuffer> microphoneQueue_;
    std::unique_ptr<AudioBuffer> outputQueue_;
};

}  // namespace veltra
