#pragma once

#include <string>
#include <vector>

namespace veltra::pipewire {

// Why a change of the session configuration could not be made; nothing was left half-written.
struct SessionError {
    bool denied;  // no permission (or a read-only file system), else another system error
    std::string message;
};

// An attachment as its files record it.
struct Attachment {
    std::string sink;
    std::string preset;  // the preset's path when attached, or "built-in"
    std::vector<std::string> files;
};

// The WirePlumber configuration that binds the VeltraDsp sink to one output device: one set of
// files per device, named after it, under a configuration root ($XDG_CONFIG_HOME, or /etc for
// every user). For WirePlumber 0.4 a Lua script loads the filter chain when the device appears
// and drops it when the device goes, and a main.lua.d fragment loads the script; for 0.5 one
// wireplumber.conf.d fragment with a software-DSP rule does both.
class SessionFiles {
  public:
    enum class Form { WirePlumber04, WirePlumber05 };

    explicit SessionFiles(const std::string& root);

    // Writes the files for `sink` (replacing an earlier attachment of it); `arguments` are the
    // filter chain's. Directories it has to create are recorded and removed again by detach.
    void attach(const std::string& sink, const std::string& arguments, const std::string& preset,
                Form form) const;
    // Removes exactly what attach wrote for `sink`; false if it is not attached.
    bool detach(const std::string& sink) const;
    std::vector<Attachment> attachments() const;

    // A node name as it may appear in a file name.
    static std::string fileStem(const std::string& sink);
    // Node names are ASCII words, dots, dashes, colons: what may go into the files unquoted.
    static bool validSinkName(const std::string& sink);

  private:
    std::vector<std::string> createdDirectories(const Attachment& a) const;
    std::string script(const std::string& sink) const;
    std::string fragment(const std::string& sink) const;
    std::string ruleFile(const std::string& sink) const;

    std::string root_;
};

}  // namespace veltra::pipewire
