#pragma once

#include "effects/kernels/KernelTable.h"

// The scalar form of each filter step the kernels run, shared by the scalar table and by the
// effects' own full-precision paths: every other table performs these operations lane by lane
// in this order.
namespace veltra::kernels {

// Transposed direct form II on folded coefficients: y = b0*x + s0; s0' = (b1 + c3*b0)*x + s1 +
// c3*s0; s1' = (b2 + c4*b0)*x + c4*s0.
inline float eqSection(float k0, float k1, float k2, float k3, float k4, float& s0, float& s1,
                       float x) {
    const float y = k0 * x + s0;
    const float old = s0;
    s0 = k1 * x + s1 + k3 * old;
    s1 = k2 * x + k4 * old;
    return y;
}

inline float eqSection(const EqLanes& g, int j, float& s0, float& s1, float x) {
    return eqSection(g.k[0][j], g.k[1][j], g.k[2][j], g.k[3][j], g.k[4][j], s0, s1, x);
}

// Two second-order sections in direct form I: coefficients b0 b1 b2 c3 c4 of each (c = -a),
// state x1 x2 u1 u2 (first section) and y1 y2 (second). Sums run left to right.
inline float fourthOrderStep(const float* c, float* s, float x) {
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

}  // namespace veltra::kernels
