#pragma once

#include <sndfile.h>

#include <cstddef>
#include <string>

#include "tools/AudioFile.h"

namespace veltra::tools {

// A WAV file written in pieces to a temporary file beside its destination and renamed into place
// by commit(). Until then the destination is untouched; a writer destroyed without commit (an
// error anywhere in between) removes its temporary, so a failed run leaves nothing behind. The
// same samples and options always give the same bytes: the file carries no time stamp.
class AudioWriter {
  public:
    AudioWriter(const std::string& path, int channels, int sampleRate, OutputFormat format);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // A line of text carried in the file's header (its comment), before any samples are written.
    void setComment(const std::string& text);
    // Throws a FileError (disk full, say); the temporary is then removed.
    void write(const float* interleaved, std::size_t frames);
    void commit();

  private:
    void fail();

    std::string path_, temporary_;
    SNDFILE* file_ = nullptr;
};

}  // namespace veltra::tools
