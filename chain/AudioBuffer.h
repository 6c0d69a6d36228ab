#pragma once

#include <cstdint>

#include "chain/SampleQueue.h"

namespace veltra {

// Sample queue between an engine's interleaved stream and its processing blocks. The queue always
// holds floats; the format code says what the engine side looks like. Input buffers only accept
// writes, output buffers only serve reads; the other direction does nothing.
class AudioBuffer {
  public:
    explicit AudioBuffer(std::uint32_t format) : format_(format) {}
    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;
    virtual ~AudioBuffer() = default;

    // Dispatch on the format code: Int16 and Float32 reach their worker, any other code is a no-op.
    virtual void read(void* destination, int frames);
    virtual void write(const void* source, int frames);

    virtual void readInt16(std::int16_t* /*destination*/, int /*frames*/) {}
    virtual void readFloat(float* /*destination*/, int /*frames*/) {}
    virtual void writeInt16(const std::int16_t* /*source*/, int /*frames*/) {}
    virtual void writeFloat(const float* /*source*/, int /*frames*/) {}

    std::uint32_t format() const { return format_; }
    SampleQueue& queue() { return queue_; }
    const SampleQueue& queue() const { return queue_; }

  protected:
    // Appends channels [first, first + count) of each frame of `stride` interleaved samples.
    template <typename Sample>
    void appendFrames(const Sample* source, int frames, int stride, int first, int count);
    // Zeroes frames x channels samples of the destination, then fills it from the front of the
    // queue.
    template <typename Sample>
    void takeFrames(Sample* destination, int frames, int channels);

  private:
    std::uint32_t format_;
    SampleQueue queue_;
};

}  // namespace veltra
