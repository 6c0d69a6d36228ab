#pragma once

namespace veltra {

// A channel block is `channels` pointers, each to `frames` floats of one channel. Contents are not
// initialised. Counts below 1 are treated as 0; the pointer array is still allocated so that the
// owner can always free it with freeChannelBlock.
float** allocateChannelBlock(int channels, int frames);
void freeChannelBlock(float** block, int channels);

}  // namespace veltra
