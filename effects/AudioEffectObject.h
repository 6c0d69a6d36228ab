#pragma once

#include <cstdint>

namespace veltra {

struct ParameterBlock;

// The interface a process chain drives for each of its stages. Channel blocks are arrays of
// per-channel float arrays; input and output are distinct blocks with the chain's channel counts.
class AudioEffectObject {
  public:
    AudioEffectObject() = default;
    AudioEffectObject(const AudioEffectObject&) = delete;
    AudioEffectObject& operator=(const AudioEffectObject&) = delete;
    virtual ~AudioEffectObject() = default;

    virtual bool init() = 0;
    virtual int process(float** input, float** output, int frames) = 0;
    virtual void release() {}
    // Forgets everything the stage has heard (filter, delay and gain-recursion state) and keeps
    // its settings; how a chain recovers after a block went non-finite.
    virtual void clearState() {}
    // Frames by which the stage's output lags its input as it is now set (look-ahead delays).
    virtual int latencyFrames() const { return 0; }
    virtual void setParameterValues(const std::uint32_t* /*payload*/) {}
    // Kept so the operation table matches the stage interface; nothing calls or overrides it.
    virtual void reserved() {}
    virtual void setParameters(const ParameterBlock& block);
    // Takes a new block as a freshly built and initialised stage would, without allocating: how
    // a chain retunes its stages in place while it runs.
    virtual void restart(const ParameterBlock& block) {
        init();
        setParameters(block);
    }
    virtual const char* getName() const { return ""; }
    virtual void setName(const char* /*name*/) {}
    virtual void describeParameters() {}
};

}  // namespace veltra
