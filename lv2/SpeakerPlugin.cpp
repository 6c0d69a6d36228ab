#include "lv2/SpeakerPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "chain/ParameterMessage.h"
#include "effects/kernels/FlushDenormals.h"
#include "effects/kernels/StereoInterleave.h"
#include "engine/PlaybackModule.h"
#include "presets/ParameterTable.h"

namespace veltra::lv2 {

namespace {

constexpr std::uint32_t kUnconnected = 0x7FC00000u;  // a quiet NaN's bits
constexpr double kMaximumRate = 1000000.0;           // the engine's own limit
constexpr double kBypassFadeSeconds =
    0.02;  // long enough to be no click, short enough to feel instant

bool switchedOn(const float* port) {
    return port == nullptr || *port >= 0.5f;  // an unconnected switch stays at its default, on
}

// The most the path can delay: one block, both limiters' largest look-ahead and the widener
// limiter's largest, which sizes the bypass delay for any tuning.
constexpr std::uint32_t kWorstLatency = 64 + 15 + 15 + 2000;

// A port's value as the tuning takes it: inside [minimum, top], whole where it must be, the
// default for a value that is not a number.
float portValue(const presets::Field& f, float v, float fallback, float top) {
    if (!std::isfinite(v)) return fallback;
    v = std::clamp(v, f.minimum, top);
    switch (f.kind) {
        case presets::ValueKind::Toggle:
            return v >= 0.5f ? 1.0f : 0.0f;
        case presets::ValueKind::Number:
            return v;
        default:
            return std::trunc(v);
    }
}

}  // namespace

SpeakerPlugin* SpeakerPlugin::create(double sampleRate) {
    if (!(sampleRate >= 1.0 && sampleRate <= kMaximumRate) ||
        std::floor(sampleRate) != sampleRate) {
        std::fprintf(stderr, "veltradsp.lv2: cannot run at %g Hz (whole rates up to %g Hz)\n",
                     sampleRate, kMaximumRate);
        return nullptr;
    }
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    // A fresh engine has every stage enabled: its latency is the most the path ever has, which
    // sizes the bypass delay.
    VeltraDspPlayback* probe = createPlaybackEngine(2, 2, rate);
    if (probe == nullptr) {
        std::fprintf(stderr, "veltradsp.lv2: the speaker path does not run at %u Hz\n", rate);
        return nullptr;
    }
    const std::uint32_t maximumLatency = std::max(playbackLatency(probe), kWorstLatency);
    destroyPlaybackEngine(probe);
    try {
        return new SpeakerPlugin(rate, maximumLatency);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "veltradsp.lv2: out of memory\n");
        return nullptr;
    }
}

SpeakerPlugin::SpeakerPlugin(std::uint32_t rate, std::uint32_t maximumLatency)
    : rate_(rate),
      interleaved_(std::make_unique<float[]>(2 * kChunk)),
      ringLength_(maximumLatency + kChunk + 1),
      mixStep_(static_cast<float>(1.0 / std::max(1.0, kBypassFadeSeconds * rate))) {
    for (auto& ring : dry_) ring = std::make_unique<float[]>(ringLength_);
    const auto& parameters = presets::allParameters();
    const presets::Tuning builtIn = presets::Tuning::builtIn();
    parameterPorts_.assign(parameters.size(), nullptr);
    // A filter frequency also stays below half the rate.
    const float nyquist = std::nextafter(static_cast<float>(rate) / 2.0f, 0.0f);
    for (const presets::Parameter& p : parameters) {
        defaults_.push_back(builtIn.value(p));
        maxima_.push_back(p.field->belowNyquist ? std::min(p.field->maximum, nyquist)
                                                : p.field->maximum);
    }
    // No port is connected yet: every control reads as a NaN, which is its default.
    seen_.assign(parameters.size(), kUnconnected);
    tuning_ = builtIn;
    activate();
}

SpeakerPlugin::~SpeakerPlugin() {
    destroyPlaybackEngine(engine_);
}

void SpeakerPlugin::connect(std::uint32_t port, void* data) {
    switch (port) {
        case kInLeft:
            in_[0] = static_cast<const float*>(data);
            break;
        case kInRight:
            in_[1] = static_cast<const float*>(data);
            break;
        case kOutLeft:
            out_[0] = static_cast<float*>(data);
            break;
        case kOutRight:
            out_[1] = static_cast<float*>(data);
            break;
        case kEnhancement:
            enhancement_ = static_cast<const float*>(data);
            break;
        case kEnabled:
            enabled_ = static_cast<const float*>(data);
            break;
        case kLatency:
            latency_ = static_cast<float*>(data);
            break;
        default:
            if (port >= kFirstParameter && port - kFirstParameter < parameterPorts_.size())
                parameterPorts_[port - kFirstParameter] = static_cast<const float*>(data);
            break;
    }
}

std::uint32_t SpeakerPlugin::portCount() {
    return kFirstParameter + static_cast<std::uint32_t>(presets::allParameters().size());
}

void SpeakerPlugin::activate() {
    destroyPlaybackEngine(engine_);
    engine_ = createPlaybackEngine(2, 2, rate_);
    enhancementSent_ = -1;
    latencyFrames_ = playbackLatency(engine_);
    for (auto& ring : dry_) std::fill(ring.get(), ring.get() + ringLength_, 0.0f);
    ringWrite_ = 0;
    dryMix_ = -1.0f;  // the first run takes the bypass switch as it finds it, without a fade
    dirty_ = true;    // a new engine runs the built-in list
    fresh_ = true;
}

void SpeakerPlugin::updateTuning() {
    const auto& parameters = presets::allParameters();
    for (std::size_t i = 0; i < seen_.size(); ++i) {
        std::uint32_t bits = kUnconnected;
        const float* port = parameterPorts_[i];
        if (port != nullptr) std::memcpy(&bits, port, sizeof bits);
        if (bits == seen_[i]) continue;
        seen_[i] = bits;
        const presets::Parameter& p = parameters[i];
        tuning_.set(p, port == nullptr ? defaults_[i]
                                       : portValue(*p.field, *port, defaults_[i], maxima_[i]));
        dirty_ = true;
    }
    // Before the first sound the tuning is simply taken, so a stream starts exactly as an engine
    // built with it would; later changes glide in while the sound plays on.
    if (dirty_ && retunePlayback(engine_, tuning_.blocks(), !fresh_)) dirty_ = false;
}

void SpeakerPlugin::updateControls() {
    const int enhancement = switchedOn(enhancement_) ? 1 : 0;
    if (enhancement != enhancementSent_) {
        std::uint32_t record[2] = {kEnhancementMessage, static_cast<std::uint32_t>(enhancement)};
        sendPlaybackParameter(engine_, record);
        enhancementSent_ = enhancement;
    }
    if (dryMix_ < 0.0f) dryMix_ = switchedOn(enabled_) ? 0.0f : 1.0f;
}

void SpeakerPlugin::run(std::uint32_t frames) {
    if (engine_ == nullptr || in_[0] == nullptr || in_[1] == nullptr || out_[0] == nullptr ||
        out_[1] == nullptr)
        return;
    const kernels::ScopedFlushDenormals flush;  // as the processing object, for the same samples
    updateTuning();
    updateControls();
    fresh_ = false;
    for (std::uint32_t done = 0; done < frames; done += kChunk)
        runChunk(done, std::min(kChunk, frames - done));
    if (latency_ != nullptr) *latency_ = static_cast<float>(latencyFrames_);
}

void SpeakerPlugin::runChunk(std::uint32_t offset, std::uint32_t frames) {
    float* buffer = interleaved_.get();
    // Everything is read before anything is written, so input and output may share memory. The
    // dry ring takes the chunk in at most two runs around its end.
    kernels::interleaveStereo(in_[0] + offset, in_[1] + offset, buffer, static_cast<int>(frames));
    const std::uint32_t first = std::min(frames, ringLength_ - ringWrite_);
    for (int c = 0; c < 2; ++c) {
        std::copy_n(in_[c] + offset, first, dry_[c].get() + ringWrite_);
        std::copy_n(in_[c] + offset + first, frames - first, dry_[c].get());
    }
    processPlayback(engine_, buffer, buffer, frames);
    latencyFrames_ = playbackLatency(engine_);  // the enhancement switch changes it
    const float target = switchedOn(enabled_) ? 0.0f : 1.0f;
    if (dryMix_ == 0.0f && target == 0.0f) {  // processing, no bypass fade: the engine's output
        kernels::deinterleaveStereo(buffer, out_[0] + offset, out_[1] + offset,
                                    static_cast<int>(frames));
    } else {
        // Ring positions advance with a wrap test rather than a division per frame.
        std::uint32_t from = (ringWrite_ + ringLength_ - latencyFrames_) % ringLength_;
        for (std::uint32_t i = 0; i < frames; ++i) {
            if (dryMix_ != target)
                dryMix_ = target > dryMix_ ? std::min(target, dryMix_ + mixStep_)
                                           : std::max(target, dryMix_ - mixStep_);
            const std::uint32_t at = from;
            if (++from == ringLength_) from = 0;
            for (int c = 0; c < 2; ++c) {
                const float wet = buffer[2 * i + c], dry = dry_[c][at];
                // The ends of the fade give each signal exactly, not through the mix arithmetic.
                out_[c][offset + i] = dryMix_ == 0.0f   ? wet
                                      : dryMix_ == 1.0f ? dry
                                                        : wet + (dry - wet) * dryMix_;
            }
        }
    }
    ringWrite_ = (ringWrite_ + frames) % ringLength_;
}

}  // namespace veltra::lv2
