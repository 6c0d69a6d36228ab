#pragma once

#include <sndfile.h>

#include <cstddef>
#include <string>

namespace veltra::tools {

// A sound file read front to back in pieces, so that memory does not follow the file's length.
// Opening refuses, with a FileError naming the file, anything the tool cannot process: no audio,
// too many channels, no rate, or a header that promises more audio than the file holds.
class AudioReader {
  public:
    explicit AudioReader(const std::string& path);
    // The same over bytes already in memory (which must outlive the reader); `name` stands for the
    // file in messages.
    AudioReader(const void* bytes, std::size_t size, const std::string& name);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int channels() const { return info_.channels; }
    int sampleRate() const { return info_.samplerate; }
    // What the header declares; the reader checks the data against it.
    std::size_t frames() const { return static_cast<std::size_t>(info_.frames); }

    // The file's comment string, empty if it has none.
    std::string comment() const;
    // Reads up to `frames` interleaved frames into `out`; returns how many, 0 at the end. Throws a
    // FileError if the data ends before the declared length or cannot be read.
    std::size_t read(float* out, std::size_t frames);

  private:
    struct Memory {
        const unsigned char* bytes = nullptr;
        sf_count_t size = 0, at = 0;
    };
    static SF_VIRTUAL_IO memoryCalls();
    void validate();

    std::string name_;
    Memory memory_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    std::size_t done_ = 0;
};

}  // namespace veltra::tools
