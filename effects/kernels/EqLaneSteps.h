#pragma once

#include "effects/kernels/KernelTable.h"

// The scalar form of one equaliser section step, shared by the scalar table and the full-cascade
// path: every other table performs these operations lane by lane in this order.
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

}  // namespace veltra::kernels
