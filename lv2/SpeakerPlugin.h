#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "lv2/FixedPorts.h"
#include "presets/Tuning.h"

namespace veltra {

class VeltraDspPlayback;

namespace lv2 {

// The speaker path as an LV2 plugin instance: stereo in and out, the enhancement switch, a
// bypass that keeps the path's latency, the latency report, and one control per parameter of
// the tuning. Everything it needs is allocated when it is created or activated; run() only
// computes.
class SpeakerPlugin {
  public:
    // As the port list names them; then one port per parameter, in the parameter table's order.
    enum Port : std::uint32_t {
        kInLeft = kFixedPorts[0].index,
        kInRight = kFixedPorts[1].index,
        kOutLeft = kFixedPorts[2].index,
        kOutRight = kFixedPorts[3].index,
        kEnhancement = kFixedPorts[4].index,
        kEnabled = kFixedPorts[5].index,
        kLatency = kFixedPorts[6].index,
        kFirstParameter = kFixedPortCount
    };

    // Null (with a line on stderr) for a rate the engine does not run at.
    static SpeakerPlugin* create(double sampleRate);
    static std::uint32_t portCount();
    ~SpeakerPlugin();
    SpeakerPlugin(const SpeakerPlugin&) = delete;
    SpeakerPlugin& operator=(const SpeakerPlugin&) = delete;

    void connect(std::uint32_t port, void* data);
    // Starts a stream as the processing object does: a new engine, which opens with the fade
    // cycle once the first run tells it the enhancement state.
    void activate();
    void run(std::uint32_t frames);

  private:
    static constexpr std::uint32_t kChunk = 1024;  // frames per engine call: its queues' reserve

    SpeakerPlugin(std::uint32_t rate, std::uint32_t maximumLatency);
    void runChunk(std::uint32_t offset, std::uint32_t frames);
    void updateControls();
    void updateTuning();

    std::uint32_t rate_;
    VeltraDspPlayback* engine_ = nullptr;
    const float* in_[2] = {};
    float* out_[2] = {};
    const float* enhancement_ = nullptr;
    const float* enabled_ = nullptr;
    float* latency_ = nullptr;
    std::vector<const float*> parameterPorts_;

    // The tuning controls, each normalised once when its port changes (clamped, whole where it
    // must be, the default for a value that is not a number): the one place the plugin keeps
    // them. `dirty_` while the engine does not run them yet; a change glides in while a run goes
    // on, and one that arrives during a glide waits for it to end, so the newest values win.
    presets::Tuning tuning_;
    std::vector<float> defaults_;
    std::vector<float> maxima_;  // each port's upper clamp at this rate
    // The raw bits of each parameter port at the last run: most runs find every control as it was
    // and stop at comparing them.
    std::vector<std::uint32_t> seen_;
    bool dirty_ = true;
    bool fresh_ = true;  // nothing processed since activate: a tuning is taken at once

    int enhancementSent_ = -1;  // none yet in this stream
    std::uint32_t latencyFrames_ = 0;
    // The bypass: the input delayed by the path's latency, cross-faded with the processed signal.
    std::unique_ptr<float[]> interleaved_;  // kChunk stereo frames for the engine
    std::unique_ptr<float[]> dry_[2];       // ring of the input, ringLength_ frames
    std::uint32_t ringLength_;
    std::uint32_t ringWrite_ = 0;
    float dryMix_ = 0.0f;  // 0: processed only, 1: delayed input only
    float mixStep_;
};

}  // namespace lv2
}  // namespace veltra
