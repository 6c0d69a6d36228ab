#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "chain/AudioProcessChain.h"
#include "chain/ParameterMessage.h"

namespace veltra {

// Abstract engine: owns one process chain and serialises every call into it (processing, parameter
// writes and reads) behind one lock. Lock order: engine lock, then the chain's own lock.
class VeltraDsp {
  public:
    VeltraDsp() = default;
    VeltraDsp(const VeltraDsp&) = delete;
    VeltraDsp& operator=(const VeltraDsp&) = delete;

    virtual ~VeltraDsp();
    virtual bool init(const std::uint32_t* configuration);
    virtual void release();
    virtual void process(float** input, float** output, int frames);
    virtual std::unique_ptr<AudioProcessChain> createProcessChain() = 0;
    virtual void processChain(float** input, float** output, int frames);
    virtual std::int32_t handleSetParameter(const ParameterMessage& message);
    virtual std::int32_t handleGetParameter(const ParameterMessage& message);

    // The record's first word is the identifier; the handler runs under the engine lock.
    std::int32_t setParameter(std::uint32_t* record);
    // Frames from a sample going in to it coming out: one block of re-blocking plus the stages'
    // delays as they are now set.
    int latencyFrames();

    std::uint32_t sampleFormat() const { return sampleFormat_; }
    int blockSize() const { return blockSize_; }
    int blocksPerCall() const { return blocksPerCall_; }
    AudioProcessChain* chain() const { return chain_.get(); }

  protected:
    std::mutex& lock() { return lock_; }
    void releaseChain();

    std::uint32_t sampleFormat_ = 1;

  private:
    std::unique_ptr<AudioProcessChain> chain_;
    int blockSize_ = 64;
    int blocksPerCall_ = 1;
    std::mutex lock_;
};

}  // namespace veltra
