#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace veltra {

// First-in first-out queue of float samples on a growable ring. Capacity only ever grows
// (doubling), so once the queue has seen its working size, appending and removing never touch the
// heap again.
class SampleQueue {
  public:
    SampleQueue() = default;
    SampleQueue(const SampleQueue&) = delete;
    SampleQueue& operator=(const SampleQueue&) = delete;

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

    void pushBack(float sample);
    // Removes and returns the oldest sample; an empty queue yields 0.0 and stays empty.
    float popFront();

    // Makes room for at least `samples` in total without a later reallocation.
    void reserve(std::size_t samples);

    // Block-wise moves for the engines. `channels` arrays of `frames` floats each, interleaved
    // frame by frame in the queue. Popping more than the queue holds fills the remainder with
    // zeros.
    void pushDeinterleaved(const float* const* block, int channels, int frames);
    // Contiguous runs of samples, copied in at most two pieces around the ring's end.
    void pushSamples(const float* samples, std::size_t count);
    // Removes up to `count` samples into `samples`; answers how many there were.
    std::size_t popSamples(float* samples, std::size_t count);
    void popDeinterleaved(float* const* block, int channels, int frames);

  private:
    void grow(std::size_t minimum);
    template <typename Move>
    bool stereoSpans(std::size_t start, std::size_t total, Move move);

    std::unique_ptr<float[]> data_;
    std::size_t capacity_ = 0;  // always 0 or a power of two, so wrapping is a mask
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

}  // namespace veltra
