#include "effects/limiter/LimiterKernel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "effects/kernels/KernelSelection.h"
#include "effects/kernels/LimiterLaw.h"

namespace veltra {

namespace {

constexpr float kDefaults[LimiterKernel::kParameterCount] = {0, 0, 0, 0, 0, 8.0f, 500.0f, 16.0f};
// Below these the attack and release factors, the look-ahead and the smoothing corner stop being
// finite numbers; shorter times are not audible as anything but distortion anyway.
constexpr float kMinimumTimeMs = 0.1f;
constexpr int kFallbackSampleRate = 48000;
// Ten seconds of hold at a rate of two billion would not fit the counter; 2^30 samples (over six
// hours at 48 kHz) is more than any setting needs.
constexpr double kMaximumHoldSamples = 1073741824.0;
// Keeps every dB value well inside the range where powf stays finite and non-zero.
constexpr float kMaximumDb = 200.0f;

// Damping of the gain-smoothing low-pass: a little below critical, so the gain settles fast
// with barely any overshoot.
constexpr double kDamping = 0.8661;

}  // namespace

LimiterKernel::LimiterKernel(int rate, float maximumLookAheadMs)
    : sampleRate(rate > 0 ? rate : kFallbackSampleRate),
      kernels(&kernels::KernelSelection::active()) {
    const float lookAhead =
        std::isfinite(maximumLookAheadMs) ? std::clamp(maximumLookAheadMs, 0.0f, 1000.0f) : 0.0f;
    ringLength =
        static_cast<int>(std::floor(lookAhead / 1000.0f * static_cast<float>(sampleRate))) + 16;
    ring = std::make_unique<float[]>(static_cast<std::size_t>(ringLength));
}

void LimiterKernel::setParameters(const float* values) {
    for (int i = 0; i < kParameterCount; ++i) {
        // A non-finite setting falls back to its default rather than poisoning the gain state.
        parameters[i] = std::isfinite(values[i]) ? values[i] : kDefaults[i];
    }
    dirty = 1;
    clearRunState();
}

void LimiterKernel::clearRunState() {
    gain = 1.0f;
    holdCounter = 0;
    s1 = s2 = 0.0f;
    std::fill(ring.get(), ring.get() + ringLength, 0.0f);
}

void LimiterKernel::recompute() {
    const float fs = static_cast<float>(sampleRate);
    const float p1 = std::clamp(parameters[1], -kMaximumDb, kMaximumDb);
    const float p2 = std::clamp(parameters[2], -kMaximumDb, kMaximumDb);
    const float p3 = std::clamp(parameters[3], -kMaximumDb, kMaximumDb);
    const float p4 = std::clamp(parameters[4], 0.0f, 10000.0f);
    const float p5 = std::max(parameters[5], kMinimumTimeMs);
    const float p6 = std::max(parameters[6], kMinimumTimeMs);

    // Only a switch that truncates to 1 means pass-through; comparing in float avoids converting
    // an out-of-range value to int.
    mode = parameters[0] >= 1.0f && parameters[0] < 2.0f ? 1 : 0;
    inputGain = std::pow(10.0f, p1 * 0.05f);
    threshold = std::pow(10.0f, p2 * 0.05f);
    holdFloor = std::pow(10.0f, (p2 + p3) * 0.05f);
    holdLength = static_cast<int>(
        std::min(std::ceil(static_cast<double>(fs * p4 / 1000.0f)), kMaximumHoldSamples));
    attackFactor = std::pow(10.0f, -20.0f / ((p5 / 1000.0f) * (fs * 20.0f)));
    releaseFactor = std::exp(-1.0f / ((p6 / 1000.0f) * fs));
    gain = 1.0f;
    holdCounter = 0;

    delay = delayFrames();
    readPosition = 0;
    writePosition = delay;
    std::fill(ring.get(), ring.get() + delay, 0.0f);

    const double zeta = kDamping;
    const double omega = static_cast<double>(1000.0f / p5) * 1.3616854020910307 * 1.2721;
    const double w = omega / static_cast<double>(sampleRate);
    const double c = std::sqrt(1.0 - zeta * zeta);
    const double e = std::exp(-zeta * w);
    b0 = 0.0f;
    b1 = static_cast<float>(std::sin(w * c) * (w / c) * e);
    b2 = 0.0f;
    a1 = static_cast<float>(-2.0 * std::cos(w * c) * e);
    a2 = static_cast<float>(std::exp(-2.0 * zeta * w));
    s1 = s2 = 0.0f;
}

namespace {

// One channel's limiter with its constants and running state held in locals, so the per-sample
// recursion stays in registers instead of going through memory the output might alias.
struct LimiterRun {
    explicit LimiterRun(const LimiterKernel& k)
        : threshold(k.threshold),
          holdFloor(k.holdFloor),
          inverseFloor(1.0f / k.holdFloor),
          inputGain(k.inputGain),
          attackFactor(k.attackFactor),
          releaseFactor(k.releaseFactor),
          b0(k.b0),
          b1(k.b1),
          b2(k.b2),
          a1(k.a1),
          a2(k.a2),
          holdLength(k.holdLength),
          ringLength(k.ringLength),
          ring(k.ring.get()),
          gain(k.gain),
          holdCounter(k.holdCounter),
          s1(k.s1),
          s2(k.s2),
          readPosition(k.readPosition),
          writePosition(k.writePosition) {}

    void storeTo(LimiterKernel& k) const {
        k.gain = gain;
        k.holdCounter = holdCounter;
        k.s1 = s1;
        k.s2 = s2;
        k.readPosition = readPosition;
        k.writePosition = writePosition;
    }

    float step(float x) {
        const float level = kernels::limiterLevel(x, inputGain, gain);
        if (level > threshold) {
            const float d = 1.0f - (level - threshold);
            gain = d > attackFactor ? gain * d : gain * attackFactor;
            holdCounter = holdLength;
        } else if (level > holdFloor) {
            holdCounter = holdLength;
        } else if (holdCounter != 0) {
            holdCounter = std::max(holdCounter - 1, 0);
        } else {
            gain = kernels::limiterReleased(gain, releaseFactor, inverseFloor, level);
        }
        return smoothAndDelay(x);
    }

    kernels::LimiterSettling settling() const {
        return {inputGain, threshold, holdFloor, releaseFactor, inverseFloor, gain};
    }

    // The hold counter after the first `length` samples of a settled run, each of which either
    // reset it (bit set in overFloor) or counted it down: from the last reset, or throughout.
    void holdThrough(std::uint64_t overFloor, int length) {
        const std::uint64_t within = length >= kernels::kLimiterScanLength
                                         ? overFloor
                                         : overFloor & ((std::uint64_t{1} << length) - 1);
        if (within != 0) {
            const int last = std::bit_width(within) - 1;
            holdCounter = std::max(holdLength - (length - 1 - last), 0);
        } else {
            holdCounter = std::max(holdCounter - length, 0);
        }
    }

    float smoothAndDelay(float x) {
        smootherAtRest = false;  // the gain may have moved
        const float v = b0 * gain + s1;
        s1 = b1 * gain + s2 - a1 * v;
        s2 = b2 * gain - a2 * v;
        return delay(x, v);
    }

    // smoothAndDelay() for a settled gain, noting whether the step left the smoother's state
    // exactly as it found it.
    float smoothSettled(float x) {
        const float v = b0 * gain + s1;
        const float next1 = b1 * gain + s2 - a1 * v;
        const float next2 = b2 * gain - a2 * v;
        smootherAtRest = std::bit_cast<std::uint32_t>(next1) == std::bit_cast<std::uint32_t>(s1) &&
                         std::bit_cast<std::uint32_t>(next2) == std::bit_cast<std::uint32_t>(s2);
        s1 = next1;
        s2 = next2;
        smoothed = v;
        return delay(x, v);
    }

    // smoothAndDelay() once smoothSettled() found the smoother at rest: the same state and gain
    // give the same value at every further step.
    float delayAtRest(float x) { return delay(x, smoothed); }

    float delay(float x, float v) {
        ring[writePosition] = x;
        const float delayed = ring[readPosition];
        if (++writePosition == ringLength) writePosition = 0;
        if (++readPosition == ringLength) readPosition = 0;
        return v * delayed * inputGain;
    }

    const float threshold, holdFloor, inverseFloor, inputGain, attackFactor, releaseFactor;
    const float b0, b1, b2, a1, a2;
    const int holdLength, ringLength;
    float* const ring;
    float gain;
    int holdCounter;
    float s1, s2;
    int readPosition, writePosition;
    bool smootherAtRest = false;
    float smoothed = 0.0f;
};

// One channel's run with its block.
struct ChannelRun {
    LimiterRun run;
    const float* input;
    float* output;
    std::uint64_t overFloor = 0;

    // Narrows `length` to how many samples from n on leave this channel's gain as it is.
    int settled(const kernels::KernelTable& table, int n, int length) {
        if (length == 0) return 0;
        // Through locals: a member's address handed to the table would keep this channel's
        // whole state in memory instead of registers.
        const kernels::LimiterSettling settling = run.settling();
        std::uint64_t bits = 0;
        length = table.limiterSettled(settling, input + n, length, bits);
        overFloor = bits;
        return length;
    }
};

// Where a look finds nothing settled (a gain moving through an attack or a release), the next look
// waits this long, so a moving gain pays for one short test per block.
constexpr int kLookInterval = 64;

// Steps the channels through their blocks side by side, so the processor can overlap their
// recursions; each channel's operations are exactly its own. Where the table can tell that every
// channel's gain stays as it is for a run of samples, the run leaves the gain law out, whose
// chain of dependent operations and branches are most of a step; a settled gain is nearly every
// sample outside attacks and releases, since a release ends on a gain its law maps to itself.
template <typename... Runs>
VELTRA_KERNEL_INLINE void runChannels(const kernels::KernelTable& table, int frames,
                                      Runs&... runs) {
    const bool canSettle = table.limiterSettled != nullptr;
    for (int n = 0; n < frames;) {
        if (canSettle) {
            int length = std::min(frames - n, kernels::kLimiterScanLength);
            ((length = runs.settled(table, n, length)), ...);
            if (length > 0) {
                const int end = n + length;
                for (; n < end && !(runs.run.smootherAtRest && ...); ++n) {
                    const float x[] = {runs.input[n]...};
                    int k = 0;
                    ((runs.output[n] = runs.run.smoothSettled(x[k++])), ...);
                }
                // Every smoother at rest: what is left is the delay line and one product.
                for (; n < end; ++n) {
                    const float x[] = {runs.input[n]...};
                    int k = 0;
                    ((runs.output[n] = runs.run.delayAtRest(x[k++])), ...);
                }
                (runs.run.holdThrough(runs.overFloor, length), ...);
                continue;
            }
        }
        for (const int end = canSettle ? std::min(frames, n + kLookInterval) : frames; n < end;
             ++n) {
            // Every input read before any output is written: an output may share memory with its
            // own input, and the compiler cannot tell that it does not with the others'.
            const float x[] = {runs.input[n]...};
            int k = 0;
            ((runs.output[n] = runs.run.step(x[k++])), ...);
        }
    }
}

}  // namespace

int LimiterKernel::delayFrames() const {
    const float fs = static_cast<float>(sampleRate);
    const float p5 = std::max(parameters[5], kMinimumTimeMs);
    const double scaled = static_cast<double>(2.0f * fs * p5) * -0.001;
    const double lead = -1.0 - std::trunc(std::max(scaled, -1.0e9));
    return static_cast<int>(std::clamp(lead, 0.0, static_cast<double>(ringLength - 1)));
}

int LimiterKernel::lookAheadFrames() const {
    const bool passThrough = parameters[0] >= 1.0f && parameters[0] < 2.0f;
    return passThrough ? 0 : delayFrames();
}

bool LimiterKernel::prepareBlock(const float* input, float* output, int frames) {
    if (dirty == 1) {
        dirty = 0;
        recompute();
    }
    if (mode != 1) return true;
    if (input != output) std::copy(input, input + std::max(frames, 0), output);
    return false;
}

void LimiterKernel::process(const float* input, float* output, int frames) {
    if (!prepareBlock(input, output, frames)) return;
    ChannelRun channel{LimiterRun(*this), input, output};
    runChannels(*kernels, frames, channel);
    channel.run.storeTo(*this);
}

void LimiterKernel::processPair(LimiterKernel& a, const float* inA, float* outA, LimiterKernel& b,
                                const float* inB, float* outB, int frames) {
    const bool limitA = a.prepareBlock(inA, outA, frames);
    const bool limitB = b.prepareBlock(inB, outB, frames);
    if (!limitA || !limitB) {
        if (limitA) a.process(inA, outA, frames);
        if (limitB) b.process(inB, outB, frames);
        return;
    }
    ChannelRun first{LimiterRun(a), inA, outA}, second{LimiterRun(b), inB, outB};
    runChannels(*a.kernels, frames, first, second);
    first.run.storeTo(a);
    second.run.storeTo(b);
}

}  // namespace veltra
