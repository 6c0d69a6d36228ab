#include "chain/AudioBuffer.h"

#include <cstddef>
#include <type_traits>

#include "chain/SampleFormat.h"

namespace veltra {

void AudioBuffer::read(void* destination, int frames) {
    if (format_ == kSampleFormatInt16) {
        readInt16(static_cast<std::int16_t*>(destination), frames);
    } else if (format_ == kSampleFormatFloat32) {
        readFloat(static_cast<float*>(destination), frames);
    }
}

void AudioBuffer::write(const void* source, int frames) {
    if (format_ == kSampleFormatInt16) {
        writeInt16(static_cast<const std::int16_t*>(source), frames);
    } else if (format_ == kSampleFormatFloat32) {
        writeFloat(static_cast<const float*>(source), frames);
    }
}

template <typename Sample>
void AudioBuffer::appendFrames(const Sample* source, int frames, int stride, int first, int count) {
    if (source == nullptr || frames <= 0 || count <= 0 || stride <= 0) return;
    const std::size_t total = static_cast<std::size_t>(frames) * static_cast<std::size_t>(count);
    if constexpr (std::is_same_v<Sample, float>) {
        // Whole frames of a float stream: one block copy into the ring.
        if (first == 0 && count == stride) {
            queue_.pushSamples(source, total);
            return;
        }
    }
    queue_.reserve(queue_.size() + total);
    for (int f = 0; f < frames; ++f) {
        const Sample* frame = source + static_cast<std::ptrdiff_t>(f) * stride;
        for (int c = first; c < first + count; ++c) {
            if constexpr (std::is_same_v<Sample, std::int16_t>) {
                queue_.pushBack(int16ToFloat(frame[c]));
            } else {
                queue_.pushBack(frame[c]);
            }
        }
    }
}

template <typename Sample>
void AudioBuffer::takeFrames(Sample* destination, int frames, int channels) {
    if (destination == nullptr || frames <= 0 || channels <= 0) return;
    const std::size_t total = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
    if constexpr (std::is_same_v<Sample, float>) {
        // A short queue leaves the remaining samples zero.
        const std::size_t got = queue_.popSamples(destination, total);
        for (std::size_t i = got; i < total; ++i) destination[i] = 0.0f;
        return;
    }
    for (std::size_t i = 0; i < total; ++i) destination[i] = Sample{};
    // A short queue leaves the remaining samples at the zero just written.
    for (std::size_t i = 0; i < total && !queue_.empty(); ++i) {
        if constexpr (std::is_same_v<Sample, std::int16_t>) {
            destination[i] = floatToInt16(queue_.popFront());
        } else {
            destination[i] = queue_.popFront();
        }
    }
}

template void AudioBuffer::appendFrames<std::int16_t>(const std::int16_t*, int, int, int, int);
template void AudioBuffer::appendFrames<float>(const float*, int, int, int, int);
template void AudioBuffer::takeFrames<std::int16_t>(std::int16_t*, int, int);
template void AudioBuffer::takeFrames<float>(float*, int, int);

}  // namespace veltra
