#include "chain/CaptureOutputAudioBuffer.h"

namespace veltra {

void CaptureOutputAudioBuffer::readInt16(std::int16_t* destination, int frames) {
    takeFrames(destination, frames, channels_);
}

void CaptureOutputAudioBuffer::readFloat(float* destination, int frames) {
    takeFrames(destination, frames, channels_);
}

}  // namespace veltra
