#pragma once

#include <string>

namespace veltra::tools {

// Plays a sound file into one PipeWire node while recording another, in the running PipeWire
// graph, so both run on one clock: pw-record starts first, pw-play follows, and the recording
// stops half a second after playback ends. A source that is an output sink is recorded at its
// monitor. Shows the time played on standard error unless quiet.
class SweepPlayer {
  public:
    struct Devices {
        std::string sink, source;
        bool sourceIsSink = false;
    };

    // Records `channels` channels at `rate` into `recording` (a WAV file); throws FileError when
    // a PipeWire tool cannot be started or fails.
    static void playAndRecord(const Devices& devices, const std::string& sweep, double sweepSeconds,
                              int rate, int channels, const std::string& recording, bool quiet);
};

}  // namespace veltra::tools
