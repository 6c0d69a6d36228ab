#include "apo/platform/MemoryRegistry.h"

#include <cctype>

namespace veltra::apo {

std::string MemoryRegistry::fold(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

LONG MemoryRegistry::createKey(const std::string& path) {
    if (failure_ != ERROR_SUCCESS) return failure_;
    const std::string folded = fold(path);
    for (std::size_t at = folded.find('\\'); at != std::string::npos;
         at = folded.find('\\', at + 1)) {
        keys_.try_emplace(folded.substr(0, at));
    }
    keys_.try_emplace(folded);
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::openKey(const std::string& path) {
    return keys_.count(fold(path)) != 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG MemoryRegistry::deleteTree(const std::string& parent, const std::string& subkey) {
    if (failure_ != ERROR_SUCCESS) return failure_;
    const std::string root = fold(parent + "\\" + subkey);
    if (keys_.count(root) == 0) return ERROR_FILE_NOT_FOUND;
    for (auto it = keys_.begin(); it != keys_.end();) {
        const bool below =
            it->first == root || it->first.compare(0, root.size() + 1, root + "\\") == 0;
        it = below ? keys_.erase(it) : std::next(it);
    }
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::set(const std::string& path, const std::string& name, Value value) {
    if (failure_ != ERROR_SUCCESS) return failure_;
    const auto key = keys_.find(fold(path));
    if (key == keys_.end()) return ERROR_FILE_NOT_FOUND;
    key->second[fold(name)] = std::move(value);
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::setString(const std::string& path, const std::string& name,
                               const std::string& value) {
    return set(path, name, value);
}

LONG MemoryRegistry::setNumber(const std::string& path, const std::string& name,
                               std::uint32_t value) {
    return set(path, name, value);
}

bool MemoryRegistry::hasKey(const std::string& path) const {
    return keys_.count(fold(path)) != 0;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::value(const std::string& path,
                                                           const std::string& name) const {
    const auto key = keys_.find(fold(path));
    if (key == keys_.end()) return std::nullopt;
    const auto found = key->second.find(fold(name));
    if (found == key->second.end()) return std::nullopt;
    return found->second;
}

std::size_t MemoryRegistry::valueCount(const std::string& path) const {
    const auto key = keys_.find(fold(path));
    return key == keys_.end() ? 0 : key->second.size();
}

std::size_t MemoryRegistry::subkeyCount(const std::string& path) const {
    const std::string prefix = fold(path) + "\\";
    std::size_t count = 0;
    for (const auto& entry : keys_) {
        if (entry.first.compare(0, prefix.size(), prefix) == 0 &&
            entry.first.find('\\', prefix.size()) == std::string::npos) {
            ++count;
        }
    }
    return count;
}

#if !defined(_WIN32)
Registry& moduleRegistry() {
    static MemoryRegistry registry;
    return registry;
}
#endif

}  // namespace veltra::apo
