#include "chain/SampleQueue.h"

#include <algorithm>

#include "effects/kernels/StereoInterleave.h"

namespace veltra {

void SampleQueue::grow(std::size_t minimum) {
    std::size_t next = capacity_ == 0 ? 256 : capacity_;
    while (next < minimum) next *= 2;
    // Not zeroed: only the `size_` samples from `head_` are ever read, and a zeroed reserve
    // would cost a stream start a write of every page of it.
    auto fresh = std::make_unique_for_overwrite<float[]>(next);
    for (std::size_t i = 0; i < size_; ++i) fresh[i] = data_[(head_ + i) & (capacity_ - 1)];
    data_ = std::move(fresh);
    capacity_ = next;
    head_ = 0;
}

// The ring holds `total` samples from `start` in at most two runs; when both hold whole stereo
// frames, each run goes to `move(run, first frame, frames)` and the answer is true.
template <typename Move>
bool SampleQueue::stereoSpans(std::size_t start, std::size_t total, Move move) {
    const std::size_t first = std::min(total, capacity_ - start);
    if (start % 2 != 0 || first % 2 != 0) return false;
    move(data_.get() + start, 0, static_cast<int>(first / 2));
    if (first < total)
        move(data_.get(), static_cast<int>(first / 2), static_cast<int>((total - first) / 2));
    return true;
}

void SampleQueue::reserve(std::size_t samples) {
    if (samples > capacity_) grow(samples);
}

void SampleQueue::pushBack(float sample) {
    if (size_ == capacity_) grow(size_ + 1);
    data_[(head_ + size_) & (capacity_ - 1)] = sample;
    ++size_;
}

float SampleQueue::popFront() {
    if (size_ == 0) return 0.0f;
    const float sample = data_[head_];
    head_ = (head_ + 1) & (capacity_ - 1);
    --size_;
    return sample;
}

void SampleQueue::pushDeinterleaved(const float* const* block, int channels, int frames) {
    if (channels <= 0 || frames <= 0) return;
    const std::size_t total = static_cast<std::size_t>(channels) * static_cast<std::size_t>(frames);
    reserve(size_ + total);
    const std::size_t mask = capacity_ - 1;
    std::size_t tail = head_ + size_;
    if (channels == 2 && stereoSpans(tail & mask, total, [&](float* span, int at, int count) {
            kernels::interleaveStereo(block[0] + at, block[1] + at, span, count);
        })) {
        size_ += total;
        return;
    }
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) data_[tail++ & mask] = block[c][f];
    }
    size_ += total;
}

void SampleQueue::popDeinterleaved(float* const* block, int channels, int frames) {
    if (channels <= 0 || frames <= 0) return;
    const std::size_t total = static_cast<std::size_t>(channels) * static_cast<std::size_t>(frames);
    const std::size_t available = std::min(total, size_);
    const std::size_t mask = capacity_ - 1;
    if (channels == 2 && available == total &&
        stereoSpans(head_, total, [&](const float* span, int at, int count) {
            kernels::deinterleaveStereo(span, block[0] + at, block[1] + at, count);
        })) {
        head_ = (head_ + total) & mask;
        size_ -= total;
        return;
    }
    std::size_t i = 0;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c, ++i)
            block[c][f] = i < available ? data_[(head_ + i) & mask] : 0.0f;
    }
    head_ = available != 0 ? (head_ + available) & mask : head_;
    size_ -= available;
}

void SampleQueue::pushSamples(const float* samples, std::size_t count) {
    if (samples == nullptr || count == 0) return;
    reserve(size_ + count);
    const std::size_t tail = (head_ + size_) & (capacity_ - 1);
    const std::size_t first = std::min(count, capacity_ - tail);
    std::copy(samples, samples + first, data_.get() + tail);
    std::copy(samples + first, samples + count, data_.get());
    size_ += count;
}

std::size_t SampleQueue::popSamples(float* samples, std::size_t count) {
    const std::size_t n = std::min(count, size_);
    if (samples == nullptr || n == 0) return 0;
    const std::size_t first = std::min(n, capacity_ - head_);
    std::copy(data_.get() + head_, data_.get() + head_ + first, samples);
    std::copy(data_.get(), data_.get() + (n - first), samples + first);
    head_ = (head_ + n) & (capacity_ - 1);
    size_ -= n;
    return n;
}

}  // namespace veltra
