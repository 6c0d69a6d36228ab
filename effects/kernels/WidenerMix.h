#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {
// Every kernel file with a widener includes this; the unnamed namespace gives each its own copy,
// compiled for that file's instruction set, so an AVX2-compiled copy can never stand in for
// another file's.
namespace {

// The widener's output: its mid filter's output, the two side filters' outputs and the input,
// in the order of operations every table keeps. V is float, or a vector type whose + - * act
// lane by lane, so the vector tables keep the same order by construction.
template <typename V>
inline void widenerMixOf(V secondScale, V mix, V ten, V output, V mid, V s1, V s2, V l, V r,
                         V& left, V& right) {
    const V m2 = secondScale * l + secondScale * r;
    left = ((s2 + m2) * mix + (s1 + mid)) * ten * output;
    right = ((m2 - s2) * mix + (mid - s1)) * ten * output;
}

inline void widenerMix(const WidenerGains& k, float mid, float s1, float s2, float l, float r,
                       float& left, float& right) {
    widenerMixOf(k.secondScale, k.mix, 10.0f, k.output, mid, s1, s2, l, r, left, right);
}

}  // namespace
}  // namespace veltra::kernels
