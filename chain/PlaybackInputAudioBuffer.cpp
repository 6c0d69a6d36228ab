#include "chain/PlaybackInputAudioBuffer.h"

namespace veltra {

void PlaybackInputAudioBuffer::writeInt16(const std::int16_t* source, int frames) {
    appendFrames(source, frames, channels_, 0, channels_);
}

void PlaybackInputAudioBuffer::writeFloat(const float* source, int frames) {
    appendFrames(source, frames, channels_, 0, channels_);
}

}  // namespace veltra
