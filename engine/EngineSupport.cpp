#include "engine/EngineSupport.h"

#include <cstring>

namespace veltra {

void zeroChannels(float** block, int from, int to, int frames) {
    if (frames <= 0) return;
    for (int c = from; c < to; ++c)
        std::memset(block[c], 0, static_cast<std::size_t>(frames) * sizeof(float));
}

}  // namespace veltra
