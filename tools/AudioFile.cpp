#include "tools/AudioFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>

namespace veltra::tools {

AudioData readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw FileError{path + ": cannot read: " + sf_strerror(nullptr)};
    AudioData audio;
    audio.channels = info.channels;
    audio.sampleRate = info.samplerate;
    if (info.channels <= 0) {
        sf_close(file);
        throw FileError{path + ": the file has no channels"};
    }
    if (info.samplerate <= 0) {
        sf_close(file);
        throw FileError{path + ": the file has no valid sample rate"};
    }
    audio.samples.resize(static_cast<std::size_t>(info.frames) *
                         static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    if (got < 0) throw FileError{path + ": read failed"};
    audio.samples.resize(static_cast<std::size_t>(got) * static_cast<std::size_t>(info.channels));
    return audio;
}

void writeAudio(const std::string& path, const AudioData& audio, OutputFormat format) {
    SF_INFO info{};
    info.channels = audio.channels;
    info.samplerate = audio.sampleRate;
    const int subtype = format == OutputFormat::Pcm16   ? SF_FORMAT_PCM_16
                        : format == OutputFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                        : SF_FORMAT_FLOAT;
    info.format = SF_FORMAT_WAV | subtype;
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (file == nullptr) throw FileError{path + ": cannot write: " + sf_strerror(nullptr)};
    // Integer outputs clip at full scale instead of wrapping.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto frames = static_cast<sf_count_t>(audio.frames());
    const sf_count_t written = sf_writef_float(file, audio.samples.data(), frames);
    const int closed = sf_close(file);
    if (written != frames || closed != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw FileError{path + ": cannot write the output file"};
    }
}

}  // namespace veltra::tools
