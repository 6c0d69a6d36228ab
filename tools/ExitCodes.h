#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace veltra::tools {

// Every status `veltradsp` ends with, decided here once; each command's --help lists the ones it
// can end with, from this table.
enum class Exit : int {
    kDone = 0,
    kNotIntact = 1,  // pipewire status: an attached device runs without its sink
    kFile = 2,       // a file cannot be read or written, or another failure of the run
    kUnknownSink = 3,
    kNotWritable = 5,
    kSystem = 7,  // PipeWire cannot be reached, or another system error
    kUsage = 64,
    kBadData = 65,  // a preset, measurement or text that is not valid
};

constexpr int codeOf(Exit e) {
    return static_cast<int>(e);
}

struct ExitCodes {
    // What a status means in general.
    static const char* meaning(Exit e);
    // "Exit codes:" and one line per status a command can end with; a text given beside a status
    // replaces its general meaning for that command.
    static std::string help(std::initializer_list<std::pair<Exit, const char*>> statuses);
    // The statuses of a command that reads and writes files: done, a file, the command line and
    // invalid input, described as given.
    static std::string forFiles(const char* invalidInput);
};

}  // namespace veltra::tools
