#pragma once

namespace veltra {

// Two second-order sections in direct form I, single precision. Coefficients per section are
// b0, b1, b2, c3 = -a1, c4 = -a2; state holds x1, x2, u1, u2 (section 1) and y1, y2 (section 2).
struct FourthOrderFilter {
    float coefficients[10] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    float state[6] = {};

    void clear() {
        for (float& s : state) s = 0.0f;
    }
    float step(float x) {
        const float* c = coefficients;
        float* s = state;
        const float u = c[0] * x + c[1] * s[0] + c[2] * s[1] + c[3] * s[2] + c[4] * s[3];
        const float y = c[5] * u + c[6] * s[2] + c[7] * s[3] + c[8] * s[4] + c[9] * s[5];
        s[1] = s[0];
        s[0] = x;
        s[3] = s[2];
        s[2] = u;
        s[5] = s[4];
        s[4] = y;
        return y;
    }
};

}  // namespace veltra
