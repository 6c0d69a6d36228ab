#include "chain/ChannelBlock.h"

#include <cstddef>

namespace veltra {

float** allocateChannelBlock(int channels, int frames) {
    const std::size_t count = channels > 0 ? static_cast<std::size_t>(channels) : 0;
    const std::size_t length = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    auto** block = new float*[count > 0 ? count : 1]();
    for (std::size_t c = 0; c < count; ++c) block[c] = new float[length > 0 ? length : 1];
    return block;
}

void freeChannelBlock(float** block, int channels) {
    if (block == nullptr) return;
    for (int c = 0; c < channels; ++c) delete[] block[c];
    delete[] block;
}

}  // namespace veltra
