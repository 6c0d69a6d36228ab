#pragma once

#include "effects/kernels/ScalarSteps.h"

namespace veltra {

// Two second-order sections in direct form I, single precision. Coefficients per section are
// b0, b1, b2, c3 = -a1, c4 = -a2; state holds x1, x2, u1, u2 (section 1) and y1, y2 (section 2).
struct FourthOrderFilter {
    float coefficients[10] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    float state[6] = {};

    void clear() {
        for (float& s : state) s = 0.0f;
    }
    float step(float x) { return kernels::fourthOrderStep(coefficients, state, x); }
};

}  // namespace veltra
