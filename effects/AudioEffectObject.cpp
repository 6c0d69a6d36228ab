#include "effects/AudioEffectObject.h"

#include "chain/ParameterBlock.h"

namespace veltra {

void AudioEffectObject::setParameters(const ParameterBlock& block) {
    setParameterValues(block.payload.data());
}

}  // namespace veltra
