#include "tools/AudioFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace veltra::tools {

namespace {

// libsndfile reads a cut-off file as far as it goes and only notes the shortfall in its log, as
// "data : <declared> (should be <actual>)"; a file like that is refused rather than half used.
bool truncated(SNDFILE* file) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log - 1);
    for (const char* line = log; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        const std::string text(line, end != nullptr ? std::size_t(end - line) : std::strlen(line));
        if (text.rfind("data", 0) == 0 && text.find("should be") != std::string::npos) return true;
        if (end == nullptr) break;
        line = end + 1;
    }
    return false;
}

}  // namespace

AudioData readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw FileError{path + ": cannot read: " + sf_strerror(nullptr)};
    AudioData audio;
    audio.channels = info.channels;
    audio.sampleRate = info.samplerate;
    std::string problem;
    if (truncated(file)) {
        problem = "the file is truncated: its header promises more audio than it holds";
    } else if (info.channels <= 0) {
        problem = "the file has no channels";
    } else if (info.channels > kMaxChannels) {
        problem = std::to_string(info.channels) + " channels; at most " +
                  std::to_string(kMaxChannels) + " are supported";
    } else if (info.samplerate <= 0) {
        problem = "the file has no valid sample rate";
    }
    if (!problem.empty()) {
        sf_close(file);
        throw FileError{path + ": " + problem};
    }
    // Read in pieces up to the real end of the data: a damaged header may claim any length, and
    // memory then follows what the file holds rather than what it claims.
    constexpr sf_count_t kPiece = 65536;
    const auto width = static_cast<std::size_t>(info.channels);
    for (;;) {
        const std::size_t at = audio.samples.size();
        audio.samples.resize(at + static_cast<std::size_t>(kPiece) * width);
        const sf_count_t got = sf_readf_float(file, audio.samples.data() + at, kPiece);
        audio.samples.resize(at + static_cast<std::size_t>(std::max<sf_count_t>(got, 0)) * width);
        if (got < kPiece) break;
    }
    const int error = sf_error(file);
    sf_close(file);
    if (error != SF_ERR_NO_ERROR && audio.samples.empty()) throw FileError{path + ": read failed"};
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
