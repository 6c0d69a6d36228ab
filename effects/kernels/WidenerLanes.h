#pragma once

#include "effects/kernels/KernelTable.h"

namespace veltra::kernels {

// The widener's filters laid out lane by lane for the SIMD tables. map[j] names the filter in
// lane j (-1: none; its lane is all zeros). Row i < 10 of `rows` (lanes floats each) holds
// coefficient i of every lane's filter, row 10 + i its state value i. Plain code compiled for the
// baseline in its own file, so no table's instruction set reaches it.
inline constexpr int kWidenerRows = 16;
void gatherWidenerLanes(const WidenerFilters& filters, const int* map, int lanes, float* rows);
// Writes `stateRows` (the six state rows, lanes floats each) back to the mapped filters.
void scatterWidenerState(WidenerFilters& filters, const int* map, int lanes,
                         const float* stateRows);

}  // namespace veltra::kernels
