#pragma once

#include <optional>
#include <string>
#include <system_error>

namespace veltra::files {

// A file as one piece of text. Writing goes to a temporary beside the file, renamed over it once
// complete: a failure leaves the file as it was and no temporary behind.
struct WholeFile {
    // The file's bytes; nullopt when it cannot be opened or read.
    static std::optional<std::string> read(const std::string& path);
    // The error, if any; nothing is left behind on failure.
    static std::error_code write(const std::string& path, const std::string& text);
    // The name a complete file is written under before it is renamed into place (writers that
    // produce the file themselves, a sound file or a folder, use it with commit()).
    static std::string temporaryBeside(const std::string& path);
    // Renames a complete temporary over `path`; on failure removes the temporary.
    static std::error_code commit(const std::string& temporary, const std::string& path);
};

}  // namespace veltra::files
