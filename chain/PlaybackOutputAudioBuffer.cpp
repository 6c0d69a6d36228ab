#include "chain/PlaybackOutputAudioBuffer.h"

namespace veltra {

void PlaybackOutputAudioBuffer::readInt16(std::int16_t* destination, int frames) {
    takeFrames(destination, frames, channels_);
}

void PlaybackOutputAudioBuffer::readFloat(float* destination, int frames) {
    takeFrames(destination, frames, channels_);
}

}  // namespace veltra
