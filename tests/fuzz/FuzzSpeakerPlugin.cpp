// The LV2 plugin as a host drives it, through its descriptor only: instances at a few rates kept
// across inputs (a host keeps them too), then runs of any length with any control values (NaN,
// infinities, out of range), the switch and bypass toggled between runs, sometimes a restart.
// The audio is finite and up to 6 dB over full scale (non-finite audio is the other targets'
// subject), and every sample out must be finite.
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "lv2/SpeakerPlugin.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

using veltra::fuzz::FuzzInput;
using veltra::lv2::SpeakerPlugin;

constexpr std::uint32_t kMaxFrames = 2048;  // two of the plugin's chunks

struct Host {
    explicit Host(double rate) {
        const LV2_Descriptor* d = lv2_descriptor(0);
        handle = d->instantiate(d, rate, "", nullptr);
        controls.assign(SpeakerPlugin::portCount(), 0.0f);
        if (handle == nullptr) return;
        for (std::uint32_t p = 0; p < SpeakerPlugin::portCount(); ++p) {
            void* where = &controls[p];
            if (p == SpeakerPlugin::kInLeft) where = in[0].data();
            if (p == SpeakerPlugin::kInRight) where = in[1].data();
            if (p == SpeakerPlugin::kOutLeft) where = out[0].data();
            if (p == SpeakerPlugin::kOutRight) where = out[1].data();
            d->connect_port(handle, p, where);
        }
        defaults = controls;  // every tuning port at 0 is as odd a start as any
        d->activate(handle);
    }
    LV2_Handle handle = nullptr;
    std::vector<float> in[2] = {std::vector<float>(kMaxFrames), std::vector<float>(kMaxFrames)};
    std::vector<float> out[2] = {std::vector<float>(kMaxFrames), std::vector<float>(kMaxFrames)};
    std::vector<float> controls, defaults;
};

float controlValue(FuzzInput& in) {
    switch (in.pick(8)) {
        case 0:
            return NAN;
        case 1:
            return in.pick(2) ? INFINITY : -INFINITY;
        case 2:
            return in.f32();  // any bits
        case 3:
            return float(in.pick(256)) - 128.0f;  // small whole numbers
        case 4:
            return float(std::int32_t(in.u32())) * 1e-3f;  // wide range
        default:
            return float(in.pick(256)) / 32.0f;  // 0 to 8
    }
}

// -2 to 2 from a seed: the limiters work.
VELTRA_FUZZ_UNTRACED void noise(std::vector<float>& channel, std::uint32_t frames,
                                std::uint32_t& seed) {
    for (std::uint32_t i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        channel[i] = float(seed >> 8) / 4194304.0f - 2.0f;
    }
}

VELTRA_FUZZ_UNTRACED void expectFinite(const std::vector<float>& channel, std::uint32_t frames) {
    for (std::uint32_t i = 0; i < frames; ++i)
        if (!std::isfinite(channel[i])) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Host hosts[] = {Host(48000), Host(44100), Host(96000), Host(8000)};
    FuzzInput in(data, size);
    Host& host = hosts[in.pick(4)];
    if (host.handle == nullptr) return 0;
    const LV2_Descriptor* d = lv2_descriptor(0);
    // A restart makes a new engine, so it is rare: one byte value of 256, and not 0, which is
    // what a short input reads past its end.
    if (in.pick(256) == 171) d->activate(host.handle);
    std::uint32_t seed = in.u32();
    // A few runs per input, mostly short ones: each run's cost is the engine's work on its frames,
    // and lengths around the block and chunk sizes come up one run in eight.
    for (int run = 0; run < 4 && !in.empty(); ++run) {
        const std::uint32_t changes = in.pick(6);
        for (std::uint32_t c = 0; c < changes; ++c)
            host.controls[in.pick(SpeakerPlugin::portCount()) % SpeakerPlugin::portCount()] =
                controlValue(in);
        if (in.pick(16) == 0) host.controls = host.defaults;
        const std::uint32_t lengths[] = {0, 1, 63, 64, 65, 1023, 1025, kMaxFrames};
        const std::uint32_t frames = in.pick(8) == 0 ? lengths[in.pick(8)] : in.pick(130);
        for (auto& channel : host.in) noise(channel, frames, seed);
        d->run(host.handle, frames);
        for (const auto& channel : host.out) expectFinite(channel, frames);
    }
    return 0;
}
