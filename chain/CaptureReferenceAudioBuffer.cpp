#include "chain/CaptureReferenceAudioBuffer.h"

namespace veltra {

void CaptureReferenceAudioBuffer::writeInt16(const std::int16_t* source, int frames) {
    appendFrames(source, frames, frameStride_, 0, channelsTaken_);
}

void CaptureReferenceAudioBuffer::writeFloat(const float* source, int frames) {
    appendFrames(source, frames, frameStride_, 0, channelsTaken_);
}

}  // namespace veltra
