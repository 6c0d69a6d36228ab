#include "chain/CaptureMicrophoneAudioBuffer.h"

namespace veltra {

void CaptureMicrophoneAudioBuffer::writeInt16(const std::int16_t* source, int frames) {
    appendFrames(source, frames, frameStride_, firstChannel_, frameStride_ - firstChannel_);
}

void CaptureMicrophoneAudioBuffer::writeFloat(const float* source, int frames) {
    appendFrames(source, frames, frameStride_, firstChannel_, frameStride_ - firstChannel_);
}

}  // namespace veltra
