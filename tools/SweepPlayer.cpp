#include "tools/SweepPlayer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "tools/AudioFile.h"

extern char** environ;

namespace veltra::tools {

namespace {

pid_t start(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The tools' own chatter would mix with our progress line.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw FileError{arguments[0] + ": cannot be started (is PipeWire installed?)"};
    return pid;
}

// True if the child has ended; its exit status in `status`.
bool ended(pid_t pid, int& status) {
    return waitpid(pid, &status, WNOHANG) == pid;
}

int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

void pause(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace

void SweepPlayer::playAndRecord(const Devices& devices, const std::string& sweep,
                                double sweepSeconds, int rate, int channels,
                                const std::string& recording, bool quiet) {
    std::vector<std::string> record = {"pw-record",
                                       "--target",
                                       devices.source,
                                       "--rate",
                                       std::to_string(rate),
                                       "--channels",
                                       std::to_string(channels),
                                       "--format",
                                       "f32"};
    if (devices.sourceIsSink) {
        record.push_back("-P");
        record.push_back("{ stream.capture.sink = true }");
    }
    record.push_back(recording);
    const pid_t recorder = start(record);
    int status = 0;
    pause(0.5);  // the recorder's stream is linked before the sweep starts
    if (ended(recorder, status)) throw FileError{"pw-record stopped before the sweep began"};
    pid_t player = -1;
    try {
        player = start({"pw-play", "--target", devices.sink, sweep});
    } catch (...) {
        kill(recorder, SIGINT);
        finish(recorder);
        throw;
    }
    const auto begun = std::chrono::steady_clock::now();
    const bool show = !quiet && isatty(STDERR_FILENO);
    while (!ended(player, status)) {
        const double played =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        if (show)
            std::fprintf(stderr, "\rplaying the sweep: %5.1f of %.1f s", played, sweepSeconds);
        // A player that hangs (a device that never starts) must not hang us.
        if (played > sweepSeconds + 30.0) {
            kill(player, SIGTERM);
            finish(player);
            status = -1;
            break;
        }
        pause(0.1);
    }
    if (show) std::fputc('\n', stderr);
    pause(0.5);  // the last quantum reaches the recorder
    kill(recorder, SIGINT);
    const int recorded = finish(recorder);
    if (status != 0) throw FileError{"pw-play could not play the sweep to " + devices.sink};
    if (!WIFEXITED(recorded) && !(WIFSIGNALED(recorded) && WTERMSIG(recorded) == SIGINT))
        throw FileError{"pw-record failed recording " + devices.source};
}

}  // namespace veltra::tools
