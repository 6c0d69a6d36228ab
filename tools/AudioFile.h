#pragma once

#include <string>
#include <vector>

namespace veltra::tools {

// Interleaved float audio as read from or written to a sound file.
struct AudioData {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;
    std::size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
};

enum class OutputFormat { Float, Pcm16, Pcm24 };

// Thrown with a message that names the file and the reason; the tool turns it into exit status 2.
struct FileError {
    std::string message;
};

// Streams of more channels than this are refused before anything is read.
constexpr int kMaxChannels = 16;

AudioData readAudio(const std::string& path);
// Writes to a temporary file beside `path` and renames it over `path` only once it is complete, so
// a failure never leaves a partial output behind.
void writeAudio(const std::string& path, const AudioData& audio, OutputFormat format);

}  // namespace veltra::tools
