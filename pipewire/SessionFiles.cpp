#include "pipewire/SessionFiles.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "files/WholeFile.h"
#include "pipewire/SessionText.h"

namespace veltra::pipewire {

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path) {
    return files::WholeFile::read(path).value_or(std::string());
}

// The path without "." or ".." steps, doubled or trailing slashes.
std::string plainPath(const std::string& path) {
    std::string p = fs::path(path).lexically_normal().string();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

SessionError failure(const std::string& what, const std::error_code& ec) {
    const bool denied = ec == std::errc::permission_denied ||
                        ec == std::errc::read_only_file_system ||
                        ec == std::errc::operation_not_permitted;
    return {denied, what + ": " + ec.message()};
}

// Writes the files in order, creating the directories they need; on any failure removes what it
// wrote and created and throws.
class Transaction {
  public:
    void directory(const fs::path& dir) {
        std::vector<fs::path> missing;
        std::error_code probe;  // a path that cannot even be looked at is created and fails there
        for (fs::path d = dir; !d.empty() && !fs::exists(d, probe); d = d.parent_path()) {
            missing.push_back(d);
            if (d == d.parent_path()) break;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            std::error_code ec;
            if (!fs::create_directory(*it, ec) && ec) fail(it->string(), ec);
            created_.push_back(*it);
        }
    }
    void file(const fs::path& path, const std::string& text) {
        directory(path.parent_path());
        if (const std::error_code ec = files::WholeFile::write(path.string(), text))
            fail(path.string(), ec);
        written_.push_back(path);
    }
    const std::vector<fs::path>& created() const { return created_; }

  private:
    [[noreturn]] void fail(const std::string& what, const std::error_code& ec) {
        std::error_code ignored;
        for (const auto& f : written_) fs::remove(f, ignored);
        for (auto it = created_.rbegin(); it != created_.rend(); ++it) fs::remove(*it, ignored);
        throw failure(what, ec);
    }
    std::vector<fs::path> written_;
    std::vector<fs::path> created_;
};

}  // namespace

SessionFiles::SessionFiles(const std::string& root) : root_(plainPath(root)) {}

std::string SessionFiles::fileStem(const std::string& sink) {
    std::string stem = "veltradsp-";
    for (char c : sink)
        stem += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')
                    ? c
                    : '_';
    return stem;
}

bool SessionFiles::validSinkName(const std::string& sink) {
    if (sink.empty() || sink.size() > 255) return false;
    for (char c : sink) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_' &&
            c != ':')
            return false;
    }
    return true;
}

std::string SessionFiles::script(const std::string& sink) const {
    return root_ + "/wireplumber/scripts/" + fileStem(sink) + ".lua";
}

std::string SessionFiles::fragment(const std::string& sink) const {
    return root_ + "/wireplumber/main.lua.d/90-" + fileStem(sink) + ".lua";
}

std::string SessionFiles::ruleFile(const std::string& sink) const {
    return root_ + "/wireplumber/wireplumber.conf.d/90-" + fileStem(sink) + ".conf";
}

void SessionFiles::attach(const std::string& sink, const std::string& arguments,
                          const std::string& preset, Form form) const {
    detach(sink);
    Transaction t;
    // Directories first, so the files can record which of them this attachment made.
    const bool lua = form == Form::WirePlumber04;
    if (lua) {
        t.directory(fs::path(script(sink)).parent_path());
        t.directory(fs::path(fragment(sink)).parent_path());
    } else {
        t.directory(fs::path(ruleFile(sink)).parent_path());
    }
    // Directories an earlier attachment made and this one's files also sit in are recorded
    // too, so that whichever attachment goes last takes them away.
    std::vector<std::string> dirs;
    for (const auto& d : t.created()) dirs.push_back(d.string());
    std::vector<std::string> homes;  // the directories this attachment's files go into
    if (lua) {
        homes = {fs::path(script(sink)).parent_path().string() + "/",
                 fs::path(fragment(sink)).parent_path().string() + "/"};
    } else {
        homes = {fs::path(ruleFile(sink)).parent_path().string() + "/"};
    }
    const auto holds = [&](const std::string& d) {
        return std::any_of(homes.begin(), homes.end(),
                           [&](const std::string& h) { return h.rfind(d + "/", 0) == 0; });
    };
    for (const Attachment& other : attachments()) {
        for (const std::string& d : createdDirectories(other))
            if (holds(d) && std::find(dirs.begin(), dirs.end(), d) == dirs.end()) dirs.push_back(d);
    }
    std::string created;
    for (const auto& d : dirs) {
        if (!created.empty()) created += ':';
        created += d;
    }
    const SessionText text{sink, arguments, preset, created};
    if (lua) {
        t.file(script(sink), text.luaScript());
        t.file(fragment(sink), text.luaFragment(fileStem(sink)));
    } else {
        t.file(ruleFile(sink), text.softwareDspRule());
    }
}

std::vector<std::string> SessionFiles::createdDirectories(const Attachment& a) const {
    std::vector<std::string> dirs;
    for (const auto& f : a.files) {
        const std::string c = SessionText::recorded(
            readFile(f), f.ends_with(".conf") ? SessionText::kConfMarker : SessionText::kLuaMarker,
            "created");
        std::istringstream list(c);
        for (std::string d; std::getline(list, d, ':');) {
            // The record is a text file anyone with access may edit: only directories spelled
            // plainly and on the configuration root's own line (the root, what attach made
            // under it, or parents attach made for it) are ever taken from it.
            const bool plain = !d.empty() && plainPath(d) == d;
            const bool related =
                d == root_ || d.rfind(root_ + "/", 0) == 0 || root_.rfind(d + "/", 0) == 0;
            if (plain && related) dirs.push_back(d);
        }
    }
    return dirs;
}

bool SessionFiles::detach(const std::string& sink) const {
    for (const Attachment& a : attachments()) {
        if (a.sink != sink) continue;
        std::vector<std::string> dirs = createdDirectories(a);
        std::error_code ec;
        for (const auto& f : a.files)
            if (!fs::remove(f, ec) && ec) throw failure(f, ec);
        // The directories attachments made, deepest first, if nothing else is in them now.
        std::sort(dirs.begin(), dirs.end(),
                  [](const std::string& x, const std::string& y) { return x.size() > y.size(); });
        for (const auto& d : dirs)
            if (fs::is_directory(d, ec) && fs::is_empty(d, ec)) fs::remove(d, ec);
        return true;
    }
    return false;
}

std::vector<Attachment> SessionFiles::attachments() const {
    std::vector<Attachment> out;
    const auto scan = [&](const std::string& dir, const std::string& marker, bool lua) {
        // The files are input (a user may have edited them): the error-code forms throughout,
        // and a record whose sink attach could never have written is not ours.
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string path = it->path().string();
            const std::string name = it->path().filename().string();
            if (name.rfind(lua ? "veltradsp-" : "90-veltradsp-", 0) != 0) continue;
            const std::string text = readFile(path);
            const std::string sink = SessionText::recorded(text, marker, "sink");
            if (!validSinkName(sink)) continue;
            Attachment a{sink, SessionText::recorded(text, marker, "preset"), {path}};
            std::error_code missing;
            if (lua && fs::exists(fragment(sink), missing)) a.files.push_back(fragment(sink));
            out.push_back(a);
        }
    };
    scan(root_ + "/wireplumber/scripts", SessionText::kLuaMarker, true);
    scan(root_ + "/wireplumber/wireplumber.conf.d", SessionText::kConfMarker, false);
    return out;
}

}  // namespace veltra::pipewire
