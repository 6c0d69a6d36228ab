#pragma once

#include <cmath>

#include "effects/eq/EqFilterBank.h"
#include "presets/Tuning.h"
#include "support/Signals.h"

namespace veltra::testing {

// The level in dB of one equaliser stage of a tuning at `hz`, as the equaliser designs its bands
// at `rate` from the tuning's band words.
inline double stageDb(const presets::Tuning& t, int stage, double hz, int rate) {
    const ParameterBlock& block = *t.blocks()[stage];
    double db = 0;
    for (int b = 0; b < EqFilterBank::kBands; ++b) {
        float c[5];
        EqFilterBank::designBand(block.floatAt(4 * b), block.floatAt(4 * b + 1),
                                 block.floatAt(4 * b + 2), int(block.floatAt(4 * b + 3)), rate, c);
        db += 20 * std::log10(std::abs(response(c, hz, rate)));
    }
    return db;
}

}  // namespace veltra::testing
