// What `veltradsp pipewire` reads: pw-dump's JSON, and the session files attachments leave
// behind, which a user may have edited. Any JSON must parse or be refused; any file under the
// configuration root may be listed and detached, and detaching must never touch a directory
// outside the root's line (a sentinel beside the root must survive).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzInput.h"
#include "ScratchDir.h"
#include "pipewire/SessionFiles.h"
#include "pipewire/SinkList.h"

namespace {

namespace fs = std::filesystem;

// The configuration root, and a sentinel beside it that detaching must never reach.
struct Scratch {
    Scratch() : root(dir.path() / "config"), sentinel(dir.path() / "keep" / "empty") {
        fs::create_directories(sentinel);
    }
    veltra::fuzz::ScratchDir dir{"veltradsp-fuzz"};
    fs::path root, sentinel;
};

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra::pipewire;
    veltra::fuzz::FuzzInput in(data, size);
    const std::uint32_t mode = in.pick(4);
    const std::string text(reinterpret_cast<const char*>(data) + std::min<std::size_t>(size, 1),
                           size - std::min<std::size_t>(size, 1));
    if (mode < 2) {
        if (const auto list = SinkList::parse(text)) {
            for (const Sink& s : list->sinks())
                if (!list->has(s.name)) std::abort();
        }
        return 0;
    }
    static const Scratch scratch;
    std::error_code ec;
    fs::remove_all(scratch.root, ec);
    const fs::path wireplumber = scratch.root / "wireplumber";
    if (mode == 2) {
        write(wireplumber / "scripts" / "veltradsp-fuzz.lua", text);
        write(wireplumber / "main.lua.d" / "90-veltradsp-fuzz.lua", text);
    } else {
        write(wireplumber / "wireplumber.conf.d" / "90-veltradsp-fuzz.conf", text);
    }
    const SessionFiles files(scratch.root.string());
    for (const Attachment& a : files.attachments()) {
        try {
            files.detach(a.sink);
        } catch (const SessionError&) {
        }
    }
    if (!fs::is_directory(scratch.sentinel)) std::abort();
    return 0;
}
