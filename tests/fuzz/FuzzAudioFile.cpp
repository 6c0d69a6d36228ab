// Any bytes as a sound file into the offline host's path: read through libsndfile from memory,
// the speaker and microphone paths over what was read, and the result written out again. A file
// the tool refuses must be refused with a FileError, never a crash.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"
#include "tools/OfflineRunner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra::tools;
    static const std::string out = "/tmp/veltra-fuzz-" + std::to_string(::getpid()) + ".wav";
    try {
        AudioReader in(data, size, "input");
        // Long files add nothing but time.
        if (in.frames() > 4096) return 0;
        auto speaker = OfflineRunner::speaker(in.channels(), in.sampleRate(), true, 480);
        auto mic = OfflineRunner::microphone(in.channels(), 160);
        std::vector<float> piece(4096 * std::size_t(in.channels()));
        AudioWriter writer(out, in.channels(), in.sampleRate(), OutputFormat::Pcm16);
        while (const std::size_t n = in.read(piece.data(), 4096)) {
            std::vector<float> copy(piece.begin(), piece.begin() + long(n) * in.channels());
            if (speaker) speaker->process(piece.data(), n);
            if (mic) mic->process(copy.data(), n);
            writer.write(piece.data(), n);
        }
        writer.commit();
    } catch (const FileError&) {
    }
    return 0;
}
