#include "tools/AudioWriter.h"

#include <cstdio>

#include "files/WholeFile.h"

namespace veltra::tools {

AudioWriter::AudioWriter(const std::string& path, int channels, int sampleRate, OutputFormat format)
    : path_(path), temporary_(files::WholeFile::temporaryBeside(path)) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    const int subtype = format == OutputFormat::Pcm16   ? SF_FORMAT_PCM_16
                        : format == OutputFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                        : SF_FORMAT_FLOAT;
    info.format = SF_FORMAT_WAV | subtype;
    file_ = sf_open(temporary_.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) {
        std::remove(temporary_.c_str());
        throw FileError{path + ": cannot write: " + sf_strerror(nullptr)};
    }
    // A float WAV would otherwise carry a PEAK chunk with the time of writing in it, and two runs
    // over the same input would differ.
    sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Integer outputs clip at full scale instead of wrapping.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter() {
    if (file_ != nullptr) {
        sf_close(file_);
        std::remove(temporary_.c_str());
    }
}

void AudioWriter::fail() {
    sf_close(file_);
    file_ = nullptr;
    std::remove(temporary_.c_str());
    throw FileError{path_ + ": cannot write the output file"};
}

void AudioWriter::setComment(const std::string& text) {
    if (file_ == nullptr || sf_set_string(file_, SF_STR_COMMENT, text.c_str()) != 0) fail();
}

void AudioWriter::write(const float* interleaved, std::size_t frames) {
    if (file_ == nullptr) throw FileError{path_ + ": cannot write the output file"};
    const auto n = static_cast<sf_count_t>(frames);
    if (sf_writef_float(file_, interleaved, n) != n) fail();
}

void AudioWriter::commit() {
    if (file_ == nullptr) throw FileError{path_ + ": cannot write the output file"};
    SNDFILE* file = file_;
    file_ = nullptr;
    if (sf_close(file) != 0) {
        std::remove(temporary_.c_str());
        throw FileError{path_ + ": cannot write the output file"};
    }
    if (files::WholeFile::commit(temporary_, path_))
        throw FileError{path_ + ": cannot write the output file"};
}

}  // namespace veltra::tools
