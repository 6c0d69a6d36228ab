#include "tools/OutputFile.h"

#include <filesystem>
#include <fstream>

#include "files/WholeFile.h"
#include "tools/AudioFile.h"

namespace veltra::tools {

namespace fs = std::filesystem;

namespace {

bool writeAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

void writeTextFile(const std::string& path, const std::string& text) {
    if (files::WholeFile::write(path, text))
        throw FileError{path + ": cannot write the output file"};
}

void writeFolder(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& files) {
    std::error_code ec;
    if (fs::exists(path, ec)) {
        if (!fs::is_directory(path, ec)) throw FileError{path + ": exists and is not a folder"};
        for (const auto& entry : fs::directory_iterator(path, ec)) {
            bool ours = false;
            for (const auto& file : files) ours = ours || entry.path().filename() == file.first;
            if (!ours) throw FileError{path + ": holds other files; choose a new or empty folder"};
        }
    }
    const std::string temporary = files::WholeFile::temporaryBeside(path);
    fs::remove_all(temporary, ec);
    bool ok = fs::create_directory(temporary, ec);
    for (const auto& file : files) ok = ok && writeAll(temporary + "/" + file.first, file.second);
    if (ok) {
        fs::remove_all(path, ec);
        fs::rename(temporary, path, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove_all(temporary, ec);
        throw FileError{path + ": cannot write the output folder"};
    }
}

}  // namespace veltra::tools
