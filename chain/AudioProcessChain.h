#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "chain/AudioProcessChainProvider.h"
#include "chain/AudioProcessChainProviderCallback.h"
#include "chain/ParameterBlock.h"
#include "chain/ParameterMessage.h"
#include "chain/Profiler.h"
#include "effects/AudioEffectObject.h"

namespace veltra {

// Container of named effect stages run once per processing block. The stage map orders names
// byte-wise (std::string compares as unsigned char), so iteration order is the same everywhere.
// Subclasses supply the per-block work; processBlock runs only with the chain lock held.
class AudioProcessChain : public AudioProcessChainProviderCallback {
  public:
    using EffectMap = std::map<std::string, std::unique_ptr<AudioEffectObject>>;

    explicit AudioProcessChain(std::unique_ptr<AudioProcessChainProvider> provider);
    AudioProcessChain(const AudioProcessChain&) = delete;
    AudioProcessChain& operator=(const AudioProcessChain&) = delete;

    void onParametersChanged() override;
    virtual ~AudioProcessChain();
    virtual bool init(const std::uint32_t* configuration);
    virtual void release();
    virtual void process(float** input, float** output, int frames);
    virtual std::int32_t handleSetParameter(const ParameterMessage& /*message*/) { return 0; }
    virtual void applyParameters(const ParameterList& blocks);
    virtual std::int32_t handleGetParameter(const ParameterMessage& /*message*/) { return 0; }
    virtual std::uint32_t blockSize() const { return blockSize_; }
    // How many blocks one process() call may carry; each comes out as it would have one call at
    // a time. One unless a chain can do better with more at once.
    virtual int blocksPerCall() const { return 1; }
    // Frames by which the stages delay the signal as they are now set (not counting re-blocking).
    virtual int latencyFrames() const { return 0; }
    virtual void afterParametersApplied() {}
    virtual void processBlock(float** /*input*/, float** /*output*/, int /*frames*/) {}

    // Replaces (destroying) any effect already stored under the name.
    void setEffect(const std::string& name, std::unique_ptr<AudioEffectObject> effect);
    AudioEffectObject* findEffect(const std::string& name) const;

    const EffectMap& effects() const { return effects_; }
    AudioProcessChainProvider* provider() const { return provider_.get(); }
    Profiler& profiler() { return profiler_; }

  protected:
    std::mutex& lock() { return lock_; }
    EffectMap& mutableEffects() { return effects_; }
    std::int32_t processedSamples_ = 0;

  private:
    std::unique_ptr<AudioProcessChainProvider> provider_;
    EffectMap effects_;
    std::mutex lock_;
    Profiler profiler_;
    std::uint32_t blockSize_ = 64;
};

}  // namespace veltra
