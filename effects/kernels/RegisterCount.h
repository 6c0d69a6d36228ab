#pragma once

namespace veltra::kernels {
// Internal linkage for the same reason as WidenerMix.h: each kernel file gets its own copy,
// compiled for its own instruction set.
namespace {

template <int N>
struct Registers {
    static constexpr int value = N;
};

// An equaliser group's sections sit four to a register; `run` is called with Registers<N> for
// the N registers `lanes` sections fill (one to four), so each count gets its own unrolled body.
template <typename Run>
inline void byRegisterCount(int lanes, Run&& run) {
    switch ((lanes + 3) / 4) {
        case 1:
            return run(Registers<1>{});
        case 2:
            return run(Registers<2>{});
        case 3:
            return run(Registers<3>{});
        case 4:
            return run(Registers<4>{});
        default:
            return;
    }
}

}  // namespace
}  // namespace veltra::kernels
