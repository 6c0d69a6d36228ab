#include "files/WholeFile.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace veltra::files {

namespace fs = std::filesystem;

std::optional<std::string> WholeFile::read(const std::string& path) {
    // A folder opens as a stream and reads as nothing: it is not a file of no characters.
    std::error_code ec;
    if (fs::is_directory(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        text.append(block, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return text;
}

std::string WholeFile::temporaryBeside(const std::string& path) {
    return path + ".part" + std::to_string(::getpid());
}

std::error_code WholeFile::commit(const std::string& temporary, const std::string& path) {
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    return ec;
}

std::error_code WholeFile::write(const std::string& path, const std::string& text) {
    const std::string temporary = temporaryBeside(path);
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        const std::error_code ec(errno != 0 ? errno : EIO, std::generic_category());
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return ec;
    }
    return commit(temporary, path);
}

}  // namespace veltra::files
