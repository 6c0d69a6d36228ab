#include "pipewire/SinkList.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace veltra::pipewire {

namespace {

std::string text(const nlohmann::json& props, const char* key) {
    const auto it = props.find(key);
    return it != props.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::optional<SinkList> SinkList::parse(const std::string& json) {
    const nlohmann::json all = nlohmann::json::parse(json, nullptr, false);
    if (!all.is_array()) return std::nullopt;
    SinkList list;
    for (const auto& object : all) {
        // Every field is read through its type: pw-dump from another version (or anything else
        // fed to us) may hold a number where a name was; value() would throw.
        if (!object.is_object() || text(object, "type") != "PipeWire:Interface:Node") continue;
        const auto info = object.find("info");
        if (info == object.end() || !info->is_object()) continue;
        const auto props = info->find("props");
        if (props == info->end() || !props->is_object()) continue;
        const std::string name = text(*props, "node.name");
        if (name.empty()) continue;  // nothing a user could attach to
        const std::string media = text(*props, "media.class");
        if (media.starts_with("Audio/Source")) list.sources_.push_back(name);
        if (name == "veltradsp_speaker") list.chainPresent_ = true;
        if (name == "veltradsp_speaker.output") {
            list.chainTargets_.push_back(text(*props, "target.object"));
        } else if (media == "Audio/Sink" && name != "veltradsp_speaker") {
            list.sinks_.push_back({name, text(*props, "node.description")});
        }
    }
    return list;
}

std::optional<SinkList> SinkList::query() {
    FILE* pipe = popen("pw-dump --no-colors 2>/dev/null", "r");
    if (pipe == nullptr) return std::nullopt;
    std::string json;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        json.append(buffer, n);
    if (pclose(pipe) != 0) return std::nullopt;
    return parse(json);
}

bool SinkList::has(const std::string& sink) const {
    for (const Sink& s : sinks_)
        if (s.name == sink) return true;
    return false;
}

bool SinkList::running(const std::string& sink) const {
    for (const std::string& target : chainTargets_)
        if (target == sink) return true;
    return false;
}

bool SinkList::hasSource(const std::string& source) const {
    for (const std::string& s : sources_)
        if (s == source) return true;
    return false;
}

}  // namespace veltra::pipewire
