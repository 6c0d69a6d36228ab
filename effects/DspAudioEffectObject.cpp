#include "effects/DspAudioEffectObject.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "chain/ParameterBlock.h"

namespace veltra {

void DspAudioEffectObject::copyChannels(float** input, float** output, int channels,
                                        int frames) const {
    if (frames <= 0) return;
    for (int c = 0; c < channels; ++c) {
        // Input and output may alias; copying a channel onto itself is then skipped.
        if (input[c] != output[c]) {
            std::memmove(output[c], input[c], static_cast<std::size_t>(frames) * sizeof(float));
        }
    }
}

int DspAudioEffectObject::process(float** input, float** output, int frames) {
    if (processing()) {
        processBlock(input, output, frames);
    } else {
        copyChannels(input, output, std::min(inputChannels_, outputChannels_), frames);
    }
    return frames;
}

void DspAudioEffectObject::setParameterValues(const std::uint32_t* payload) {
    for (int i = 0; i < parameterCount_; ++i) parameters_[i] = std::bit_cast<float>(payload[i]);
    parametersUpdated();
}

void DspAudioEffectObject::setParameters(const ParameterBlock& block) {
    enabled_ = block.enabled;
    setParameterValues(block.payload.data());
}

void DspAudioEffectObject::describeParameters() {
    for (int i = 0; i < parameterCount_; ++i) static_cast<void>(getParameterName(i));
}

float DspAudioEffectObject::getParameterValue(int index) const {
    return index >= 0 && index < parameterCount_ ? parameters_[index] : 0.0f;
}

}  // namespace veltra
