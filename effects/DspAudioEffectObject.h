#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "effects/AudioEffectObject.h"

namespace veltra {

// State every DSP effect shares: channel counts, rate, the enabled flag with automatic
// pass-through, and a generic parameter array (unused by this system's effects, whose count stays
// 0).
class DspAudioEffectObject : public AudioEffectObject {
  public:
    DspAudioEffectObject() = default;
    ~DspAudioEffectObject() override = default;

    int process(float** input, float** output, int frames) override;
    void setParameterValues(const std::uint32_t* payload) override;
    void setParameters(const ParameterBlock& block) override;
    const char* getName() const override { return name_.c_str(); }
    void setName(const char* name) override { name_ = name != nullptr ? name : ""; }
    void describeParameters() override;

    virtual float getParameterValue(int index) const;
    virtual void setEnabled(bool enabled) { enabled_ = enabled ? 1 : 0; }
    virtual int processBlock(float** /*input*/, float** /*output*/, int frames) { return frames; }
    virtual void parametersUpdated() {}
    virtual std::string getParameterName(int index) const { return std::to_string(index); }

    // Whether process() runs the effect rather than copying its input through unchanged: only a
    // flag of exactly 1 does, so a raw block's other values mean off wherever the flag is read.
    bool processing() const { return enabled_ == 1; }
    // A stage that passes its input straight through adds no delay.
    int latencyFrames() const final { return processing() ? activeLatencyFrames() : 0; }
    virtual int activeLatencyFrames() const { return 0; }
    int inputChannels() const { return inputChannels_; }
    int outputChannels() const { return outputChannels_; }
    std::uint32_t sampleRate() const { return sampleRate_; }

  protected:
    // Copies min(input, output) channel counts of this effect's own fields; the pass-through path.
    void copyChannels(float** input, float** output, int channels, int frames) const;

    int inputChannels_ = 2;
    int outputChannels_ = 2;
    std::uint32_t sampleRate_ = 48000;
    std::uint8_t enabled_ = 1;

  private:
    std::string name_;
    std::unique_ptr<float[]> parameters_;
    int parameterCount_ = 0;
};

}  // namespace veltra
