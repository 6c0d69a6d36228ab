// Any bytes as a sound file into the offline host's path: read through libsndfile, the speaker and
// microphone paths over what was read, and the result written out again. A file the tool refuses
// must be refused with a FileError, never a crash.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tools/AudioFile.h"
#include "tools/OfflineRunner.h"

namespace {

std::string scratchPath(const char* suffix) {
    return "/tmp/veltra-fuzz-" + std::to_string(::getpid()) + suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra::tools;
    const std::string in = scratchPath(".wav"), out = scratchPath("-out.wav");
    if (std::FILE* f = std::fopen(in.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        AudioData audio = readAudio(in);
        // Long files add nothing but time; the tool itself caps channels at 16.
        if (audio.channels <= 16 && audio.frames() <= 48000) {
            std::vector<float> copy = audio.samples;
            runSpeaker(audio.samples, audio.channels, audio.sampleRate > 0 ? audio.sampleRate : 1,
                       true, 480);
            runMicrophone(copy, audio.channels, 160);
            writeAudio(out, audio, OutputFormat::Pcm16);
        }
    } catch (const FileError&) {
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
