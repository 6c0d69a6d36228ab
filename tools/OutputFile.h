#pragma once

#include <string>
#include <vector>

namespace veltra::tools {

// Writes `text` to a temporary file beside `path` and renames it over `path` once complete, so a
// failure leaves nothing behind. Throws FileError.
void writeTextFile(const std::string& path, const std::string& text);

// The same for a folder of files (name, content): built beside `path`, renamed into place. An
// existing folder at `path` is replaced only when it holds nothing but such files.
void writeFolder(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& files);

}  // namespace veltra::tools
