#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {
// Every kernel file with a widener includes this; the unnamed namespace gives each its own copy,
// compiled for that file's instruction set, so an AVX2-compiled copy can never stand in for
// another file's.
namespace {

// The widener's output for one sample: its mid filter's output, the two side filters' outputs
// and the sample's own input, in the order of operations every table keeps.
inline void widenerMix(const WidenerGains& k, float mid, float s1, float s2, float l, float r,
                       float& left, float& right) {
    const float m2 = k.secondScale * l + k.secondScale * r;
    left = ((s2 + m2) * k.mix + (s1 + mid)) * 10.0f * k.output;
    right = ((m2 - s2) * k.mix + (mid - s1)) * 10.0f * k.output;
}

}  // namespace
}  // namespace veltra::kernels
