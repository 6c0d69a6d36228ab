#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "chain/ParameterBlock.h"
#include "effects/DspAudioEffectObject.h"

namespace veltra {

// Moves a running chain's stages to new values without a gap in the sound. Each stage has a twin
// of the same kind. A stage whose values change hands them to its twin, which starts clean and
// runs on the stage's input unheard until its delay lines and filters are filled; then the output
// crosses from the stage to the twin in a straight line and the twin takes the stage's place.
// Once over, the new stage runs alone, so the samples are again exactly those of a stage with the
// new values (what differs is only the state it started from, which dies away as any filter's
// does). Stages whose values did not change are not touched. Everything is allocated by
// prepare() and addStage(); the rest runs on the audio thread.
class StageCrossfade {
  public:
    // Unheard warm-up before the crossing, on top of the twin's own look-ahead, and the crossing.
    static constexpr double kWarmUpSeconds = 0.008;
    static constexpr double kCrossSeconds = 0.012;

    // Room for `frames` frames a call; the stages' twins are kept.
    void prepare(int channels, int frames, std::uint32_t sampleRate);
    void clear();  // forgets the twins
    // `twin` is built and initialised like the stage it stands beside; it is set from `block`,
    // which is also what the stage runs now.
    void addStage(std::unique_ptr<DspAudioEffectObject> twin, const ParameterBlock& block);
    // The values a stage runs after it was restarted directly from `block`.
    void recordValues(std::size_t stage, const ParameterBlock& block);

    // Restarts the twin of every stage whose block differs from what it runs and starts the
    // crossing; the number of such stages (0: nothing to do). Not while a crossing runs.
    int begin(const ParameterList& blocks);
    bool active() const { return active_; }
    bool gliding(std::size_t stage) const { return active_ && gliding_[stage] != 0; }
    DspAudioEffectObject& twin(std::size_t stage) { return *twins_[stage]; }
    // Whether the block a stage now runs (or glides to) enables it.
    bool runsEnabled(std::size_t stage) const { return running_[stage].enabled == 1; }
    std::unique_ptr<DspAudioEffectObject>& twinSlot(std::size_t stage) { return twins_[stage]; }

    // The crossing's weights for the next `frames` frames; called once before the stages of a
    // call run, so every gliding stage of the call mixes with the same weights.
    void weigh(int frames);
    // `to` holds the stage's output for `from`; the twin runs on `from` and is mixed in.
    void mix(std::size_t stage, float** from, float** to, int frames);
    // True once the crossing is over: the caller then swaps each gliding stage with its twin
    // (finish() tells which) and calls end().
    bool advance(int frames);
    void end();

  private:
    struct Values {
        std::uint8_t enabled = 0;
        std::array<std::uint32_t, ParameterBlock::kSurroundPayloadWords> payload{};
        bool operator==(const Values&) const = default;
    };
    static Values valuesOf(const ParameterBlock& block);

    std::vector<std::unique_ptr<DspAudioEffectObject>> twins_;
    std::vector<Values> running_;  // what each stage runs
    std::vector<std::uint8_t> gliding_;
    int channels_ = 0;
    int frames_ = 0;  // the most one call carries
    std::unique_ptr<float[]> twinOutput_;
    std::vector<float*> twinChannels_;
    std::unique_ptr<float[]> weights_;
    std::uint32_t sampleRate_ = 48000;
    bool active_ = false;
    bool crossing_ = false;  // the weights of this call are not all 0
    long position_ = 0;      // frames since begin()
    long warmUp_ = 0;
    long cross_ = 1;
};

}  // namespace veltra
