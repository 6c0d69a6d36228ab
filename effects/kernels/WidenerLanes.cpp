#include "effects/kernels/WidenerLanes.h"

namespace veltra::kernels {

void gatherWidenerLanes(const WidenerFilters& filters, const int* map, int lanes, float* rows) {
    static constexpr float kNone[10] = {};
    for (int j = 0; j < lanes; ++j) {
        const int f = map[j];
        const float* c = f < 0 ? kNone : filters.coefficients[f];
        const float* s = f < 0 ? kNone : filters.state[f];
        for (int i = 0; i < 10; ++i) rows[i * lanes + j] = c[i];
        for (int i = 0; i < 6; ++i) rows[(10 + i) * lanes + j] = s[i];
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
