#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace veltra::fuzz {

// A directory of the fuzzer process's own for targets that write files: memory-backed where the
// machine has /dev/shm (a run creates and removes many small files), named by the process so
// that parallel fuzzers do not meet, and removed with everything in it when the fuzzer exits.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& name)
        : path_(base() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    static std::filesystem::path base() {
        const std::filesystem::path shm = "/dev/shm";
        return std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
    }

    std::filesystem::path path_;
};

}  // namespace veltra::fuzz
