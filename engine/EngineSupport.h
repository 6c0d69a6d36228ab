#pragma once

#include <cstdint>

namespace veltra {

// Largest frame count one engine call accepts; bigger requests are cut to it so that sample
// counts stay far from integer overflow.
constexpr std::uint32_t kMaxFramesPerCall = 1u << 22;

// Configuration words are unsigned; channel counts above this are refused as garbage.
constexpr std::uint32_t kMaxEngineChannels = 64;

// Zeroes channels [from, to) of a block of `frames` floats per channel.
void zeroChannels(float** block, int from, int to, int frames);

}  // namespace veltra
