#pragma once

#include <string>

namespace veltra::tools {

enum class OutputFormat { Float, Pcm16, Pcm24 };

// Thrown with a message that names the file and the reason; the tool turns it into exit status 2.
struct FileError {
    std::string message;
};

// Streams of more channels than this are refused before anything is read.
constexpr int kMaxChannels = 16;

}  // namespace veltra::tools
