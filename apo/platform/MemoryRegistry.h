#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>

#include "apo/platform/Registry.h"

namespace veltra::apo {

// In-memory registry with the same answers the system one gives for the operations we use. Key
// and value names compare case-insensitively, as on Windows.
class MemoryRegistry final : public Registry {
  public:
    using Value = std::variant<std::string, std::uint32_t>;

    LONG createKey(const std::string& path) override;
    LONG openKey(const std::string& path) override;
    LONG deleteTree(const std::string& parent, const std::string& subkey) override;
    LONG setString(const std::string& path, const std::string& name,
                   const std::string& value) override;
    LONG setNumber(const std::string& path, const std::string& name, std::uint32_t value) override;

    bool hasKey(const std::string& path) const;
    std::optional<Value> value(const std::string& path, const std::string& name) const;
    std::size_t valueCount(const std::string& path) const;
    // Number of direct subkeys of `path`.
    std::size_t subkeyCount(const std::string& path) const;
    void clear() { keys_.clear(); }
    // Makes every later write fail with `error` (0 to stop), to exercise failure paths.
    void failWritesWith(LONG error) { failure_ = error; }

  private:
    static std::string fold(const std::string& text);
    LONG set(const std::string& path, const std::string& name, Value value);

    std::map<std::string, std::map<std::string, Value>>
        keys_;  // folded path -> folded name -> value
    LONG failure_ = ERROR_SUCCESS;
};

}  // namespace veltra::apo
