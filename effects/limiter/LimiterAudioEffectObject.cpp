#include "effects/limiter/LimiterAudioEffectObject.h"

namespace veltra {

int LimiterAudioEffectObject::processBlock(float** input, float** output, int frames) {
    if (frames <= 0) return frames;
    int k = 0;
    for (; k + 1 < channelCount(); k += 2) {
        LimiterKernel* a = channel(k).kernel();
        LimiterKernel* b = channel(k + 1).kernel();
        if (a != nullptr && b != nullptr) {
            LimiterKernel::processPair(*a, input[k], output[k], *b, input[k + 1], output[k + 1],
                                       frames);
        } else {
            channel(k).process(input + k, output + k, frames);
            channel(k + 1).process(input + k + 1, output + k + 1, frames);
        }
    }
    if (k < channelCount()) channel(k).process(input + k, output + k, frames);
    return frames;
}

int LimiterAudioEffectObject::activeLatencyFrames() const {
    const LimiterKernel* kernel = channelCount() > 0 ? channel(0).kernel() : nullptr;
    return kernel != nullptr ? kernel->lookAheadFrames() : 0;
}

}  // namespace veltra
