#pragma once

namespace veltra {

// Per-channel look-ahead peak limiter behind the widener, with a fixed two-pole gain smoother.
class SurroundLimiter {
  public:
    static constexpr int kParameterCount = 8;
    static constexpr int kRingLength = 2001;
    static constexpr int kChannels = 2;

    struct Channel {
        float preGain = 1.0f;
        float threshold = 1.0f;
        float attack = 0.0f;
        float floor = 1.0f;
        float holdLength = 0.0f;
        float release = 0.0f;
        float inverseFloor = 1.0f;
        float ring[kRingLength] = {};
        int writePosition = 0;
        int readPosition = 0;
        float subSample = 1.0f;
        float gain = 1.0f;
        int holdCounter = 0;
        float y1 = 0.0f;
        float y2 = 0.0f;
    };

    explicit SurroundLimiter(int sampleRate);

    // Clamps q0 .. q7 into their ranges, stores them and prepares both channels from silence.
    void setParameters(const float* values);
    void process(const float* const* input, float* const* output, int channels, int frames);

    const float* parameters() const { return parameters_; }
    const Channel& channel(int c) const { return channels_[c]; }
    static const float* defaults();

  private:
    void prepare(Channel& channel) const;
    template <bool kUnitPreGain>
    void run(const float* const* input, float* const* output, int count, int frames);

    float parameters_[kParameterCount] = {};
    float sampleRate_;
    Channel channels_[kChannels];
};

}  // namespace veltra
