#pragma once

#include <memory>
#include <string>
#include <vector>

#include "chain/ParameterBlock.h"

namespace veltra::testing {

// An enabled parameter block of `type` whose payload starts with `words`.
inline ParameterBlock block(EffectType type, const std::vector<float>& words,
                            const std::string& name = {}) {
    ParameterBlock b;
    b.name = name;
    b.effectType = type;
    b.enabled = 1;
    for (std::size_t i = 0; i < words.size(); ++i) b.setFloat(i, words[i]);
    return b;
}

inline std::unique_ptr<ParameterBlock> listed(const std::string& name, EffectType type,
                                              const std::vector<float>& words = {}) {
    return std::make_unique<ParameterBlock>(block(type, words, name));
}

}  // namespace veltra::testing
