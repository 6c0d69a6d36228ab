#include <algorithm>

#include "effects/kernels/KernelTable.h"
#include "effects/kernels/ScalarSteps.h"
#include "effects/kernels/WidenerMix.h"

namespace veltra::kernels {

namespace {

// At step t section j filters sample t - j: sections that depend on each other within a sample
// become independent recursions, and each still runs its own samples in order, so the skew
// changes no result. Going from the last section down lets each read its predecessor's previous
// output before that is replaced; while the pipeline fills and drains only the sections holding
// a real sample run. Channels are interleaved so their recursions overlap.
template <bool AddZero, int Channels>
void runLanes(const EqLanes& g, EqLaneState* states, const float* const* source,
              float* const* output, int frames) {
    const int lag = g.count - 1;  // the last section hands out sample t - lag at step t
    float y[Channels][kMaxEqLanes] = {};
    for (int t = 0; t < frames + lag; ++t) {
        const int first = std::max(0, t - frames + 1), last = std::min(lag, t);
        for (int c = 0; c < Channels; ++c) {
            EqLaneState& s = states[c];
            for (int j = last; j >= first; --j) {
                float x = j == 0 ? source[c][t] : y[c][j - 1];
                if constexpr (AddZero) x += g.zero[j];
                y[c][j] = eqSection(g, j, s.s0[j], s.s1[j], x);
            }
            if (t >= lag) output[c][t - lag] = y[c][lag];
        }
    }
}

void eqGroup(const EqLanes& g, EqLaneState* states, int channels, const float* const* source,
             float* const* output, int frames) {
    if (g.count <= 0) return;
    if (channels == 2) {
        if (g.anyZero) return runLanes<true, 2>(g, states, source, output, frames);
        return runLanes<false, 2>(g, states, source, output, frames);
    }
    if (g.anyZero) return runLanes<true, 1>(g, states, source, output, frames);
    runLanes<false, 1>(g, states, source, output, frames);
}

// The widener's mid/side matrix, its five filters and the mix, one sample at a time.
void widener(WidenerFilters& f, const WidenerGains& k, float* left, float* right, int frames) {
    // Local copies keep the filters' state in registers, out of memory the output might alias.
    WidenerFilters w = f;
    auto step = [&w](int filter, float x) {
        return fourthOrderStep(w.coefficients[filter], w.state[filter], x);
    };
    const float s = k.scale, g1s = k.secondScale;
    for (int n = 0; n < frames; ++n) {
        const float l = left[n];
        const float r = right[n];
        const float m1 = step(0, s * l + s * r);
        const float h1 = step(1, s * l - s * r);
        const float s1 = step(2, static_cast<float>(k.directSide * h1));
        const float h2 = step(3, g1s * l - g1s * r);
        const float s2 = step(4, static_cast<float>(k.secondSide * h2));
        widenerMix(k, m1, s1, s2, l, r, left[n], right[n]);
    }
    f = w;
}

// Four lanes: wide enough to overlap a section's latency with its neighbours', narrow enough
// that a group of few active sections does not wait long to fill.
constexpr KernelTable kScalar{Isa::Scalar, "scalar", 4, &eqGroup, &widener, nullptr};

}  // namespace

const KernelTable& scalarKernels() {
    return kScalar;
}

}  // namespace veltra::kernels
