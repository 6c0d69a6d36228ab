#include "effects/kernels/WidenerLanes.h"

namespace veltra::kernels {

void gatherWidenerLanes(const WidenerFilters& filters, const int* map, int lanes, float* rows) {
    for (int j = 0; j < lanes; ++j) {
        const int f = map[j];
        for (int i = 0; i < 10; ++i)
            rows[i * lanes + j] = f < 0 ? 0.0f : filters.coefficients[f][i];
        for (int i = 0; i < 6; ++i) rows[(10 + i) * lanes + j] = f < 0 ? 0.0f : filters.state[f][i];
    }
}

void scatterWidenerState(WidenerFilters& filters, const int* map, int lanes,
                         const float* stateRows) {
    for (int j = 0; j < lanes; ++j) {
        if (map[j] < 0) continue;
        for (int i = 0; i < 6; ++i) filters.state[map[j]][i] = stateRows[i * lanes + j];
    }
}

}  // namespace veltra::kernels
