#include "effects/gain/InternalGainAudioEffectObject.h"

#include <cmath>

#include "chain/BlockLayout.h"
#include "chain/ParameterBlock.h"
#include "effects/kernels/Scale.h"

namespace veltra {

bool InternalGainAudioEffectObject::init() {
    linearGain_ = std::pow(10.0f, 0.0f / 20.0f);
    return true;
}

void InternalGainAudioEffectObject::setParameters(const ParameterBlock& block) {
    // Converted once per block application; the sample loop is a single multiply.
    linearGain_ = std::pow(10.0f, block.floatAt(block::kGainDb) / 20.0f);
}

int InternalGainAudioEffectObject::process(float** input, float** output, int frames) {
    kernels::scale(input[0], output[0], linearGain_, frames);
    return frames;
}

}  // namespace veltra
