// Any bytes as a sound file into the offline host's path: read through libsndfile from memory,
// the speaker and microphone paths over what was read, and the result written out again. A file
// the tool refuses must be refused with a FileError, never a crash.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "ScratchDir.h"
#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"
#include "tools/OfflineRunner.h"

namespace {

using namespace veltra::tools;

// The paths for one stream format, made once and reused by every input of that format: making
// an engine costs more than reading a small file.
struct Runners {
    std::unique_ptr<OfflineRunner> speaker, mic;
};

Runners& runnersFor(int channels, int rate) {
    static std::map<std::pair<int, int>, Runners> kept;
    static Runners scratch;
    const auto key = std::make_pair(channels, rate);
    auto found = kept.find(key);
    Runners& r = found != kept.end() ? found->second : kept.size() < 64 ? kept[key] : scratch;
    if (!r.speaker || &r == &scratch) {
        r.speaker = OfflineRunner::speaker(channels, rate, true, 480);
        r.mic = OfflineRunner::microphone(channels, 160);
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const veltra::fuzz::ScratchDir scratch("veltradsp-fuzz-audio");
    static const std::string out = (scratch.path() / "out.wav").string();
    // Longer files add nothing but time: 1024 frames already span several host buffers.
    constexpr std::size_t kMaxFrames = 1024;
    static std::vector<float> piece(kMaxFrames * kMaxChannels), copy(piece.size());
    try {
        AudioReader in(data, size, "input");
        if (in.frames() > kMaxFrames) return 0;
        Runners& paths = runnersFor(in.channels(), in.sampleRate());
        std::unique_ptr<AudioWriter> writer;
        // Creating, writing and renaming a file costs more than the rest of a run, and the writer
        // does the same for any content: one input in eight writes its result out.
        if (veltra::fuzz::oneIn(8, data, size))
            writer = std::make_unique<AudioWriter>(out, in.channels(), in.sampleRate(),
                                                   OutputFormat::Pcm16);
        while (const std::size_t n = in.read(piece.data(), kMaxFrames)) {
            std::copy_n(piece.begin(), n * std::size_t(in.channels()), copy.begin());
            if (paths.speaker) paths.speaker->process(piece.data(), n);
            if (paths.mic) paths.mic->process(copy.data(), n);
            if (writer) writer->write(piece.data(), n);
        }
        if (writer) writer->commit();
    } catch (const FileError&) {
    }
    return 0;
}
