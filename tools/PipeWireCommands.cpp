#include "tools/PipeWireCommands.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "pipewire/FilterChainConfig.h"
#include "pipewire/SessionFiles.h"
#include "pipewire/SinkList.h"
#include "tools/ExitCodes.h"
#include "tools/PresetCommands.h"

namespace veltra::tools {

using pipewire::SessionError;
using pipewire::SessionFiles;
using pipewire::SinkList;

namespace {

std::string exitCodes() {
    return ExitCodes::help(
        {{Exit::kDone,
          "done (status: every attached device that is present runs the VeltraDsp sink)"},
         {Exit::kNotIntact,
          "status: an attached device is present but its VeltraDsp sink is not running\n"
          "      (restart WirePlumber, or attach again with --now)"},
         {Exit::kUnknownSink,
          "no output sink of that name (attach), or it is not attached (detach, status)"},
         {Exit::kNotWritable, nullptr},
         {Exit::kSystem,
          "PipeWire cannot be reached (list, attach, status: nothing was changed), or another\n"
          "      system error (what had been written was removed)"},
         {Exit::kUsage, nullptr},
         {Exit::kBadData, "the preset is not valid; nothing was written"}});
}

// What PipeWire has now; without it, what the commands that need it answer. Nothing is changed
// on the strength of a session that cannot be seen.
std::optional<SinkList> reachPipeWire() {
    std::optional<SinkList> sinks = SinkList::query();
    if (!sinks)
        std::fprintf(
            stderr,
            "veltradsp: PipeWire cannot be reached (pw-dump failed); nothing was changed\n");
    return sinks;
}

// WirePlumber 0.5 and later read the conf form; 0.4 the Lua form.
SessionFiles::Form detectForm() {
    FILE* pipe = popen("wireplumber --version 2>/dev/null", "r");
    if (pipe == nullptr) return SessionFiles::Form::WirePlumber04;
    char line[256] = {};
    std::string all;
    while (std::fgets(line, sizeof line, pipe) != nullptr) all += line;
    pclose(pipe);
    const auto at = all.find("libwireplumber ");
    const std::string version = at == std::string::npos ? all : all.substr(at + 15);
    int major = 0, minor = 0;
    if (std::sscanf(version.c_str(), "%d.%d", &major, &minor) == 2 && (major > 0 || minor >= 5))
        return SessionFiles::Form::WirePlumber05;
    return SessionFiles::Form::WirePlumber04;
}

}  // namespace

PipeWireCommands::PipeWireCommands(CLI::App& app) {
    pipewire_ = app.add_subcommand(
        "pipewire", "bind the speaker path to one output device through the session manager");
    pipewire_->require_subcommand(1);
    pipewire_->footer(exitCodes());
    list_ = pipewire_->add_subcommand("list", "the output sinks, and which are attached");
    attach_ = pipewire_->add_subcommand(
        "attach", "create the VeltraDsp sink for this device whenever it is present");
    attach_->add_option("--sink", sink_, "the device's node name, as list shows it")->required();
    attach_->add_option("--preset", preset_, "the tuning to run (default: built-in)");
    attach_->add_flag("--system", system_, "for every user: /etc instead of $XDG_CONFIG_HOME");
    attach_->add_flag("--now", now_, "restart WirePlumber so that it takes effect at once");
    attach_->add_option("--wireplumber", form_, "the configuration form to write")
        ->check(CLI::IsMember({"auto", "0.4", "0.5"}));
    detach_ = pipewire_->add_subcommand("detach", "remove what attach wrote");
    auto* one = detach_->add_option("--sink", sink_, "the device's node name");
    auto* all = detach_->add_flag("--all", all_, "every attached device");
    one->excludes(all);
    detach_->add_flag("--system", system_, "the attachments in /etc");
    detach_->add_flag("--now", now_, "restart WirePlumber so that it takes effect at once");
    detach_->callback([one, all] {
        if (one->count() + all->count() == 0) throw CLI::RequiredError("--sink or --all");
    });
    status_ = pipewire_->add_subcommand("status", "attached, running, preset, device present");
    status_->add_option("--sink", sink_, "only this device");
    status_->add_flag("--system", system_, "the attachments in /etc");
}

bool PipeWireCommands::parsed() const {
    return pipewire_->parsed();
}

std::string PipeWireCommands::root() const {
    if (system_) return "/etc";
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
        return config;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config";
}

int PipeWireCommands::run() const {
    try {
        if (list_->parsed()) return list();
        if (attach_->parsed()) return attach();
        if (detach_->parsed()) return detach();
        return status();
    } catch (const SessionError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.message.c_str());
        return codeOf(e.denied ? Exit::kNotWritable : Exit::kSystem);
    }
}

int PipeWireCommands::list() const {
    const auto sinks = reachPipeWire();
    if (!sinks) return codeOf(Exit::kSystem);
    const auto attached = SessionFiles(root()).attachments();
    std::printf("%-48s %-32s %s\n", "SINK", "DESCRIPTION", "ATTACHED");
    for (const auto& s : sinks->sinks()) {
        std::string with = "no";
        for (const auto& a : attached)
            if (a.sink == s.name) with = "yes, preset " + a.preset;
        std::printf("%-48s %-32s %s\n", s.name.c_str(), s.description.c_str(), with.c_str());
    }
    return 0;
}

namespace {

void restartWirePlumber() {
    if (std::system("systemctl --user try-restart wireplumber.service >/dev/null 2>&1") == 0)
        std::printf("WirePlumber restarted: the change is in effect\n");
    else
        std::printf("WirePlumber could not be restarted here: log out and in, or restart it\n");
}

}  // namespace

int PipeWireCommands::attach() const {
    const presets::Tuning tuning = loadPreset(preset_);
    const auto sinks = reachPipeWire();
    if (!sinks) return codeOf(Exit::kSystem);
    if (!SessionFiles::validSinkName(sink_) || !sinks->has(sink_)) {
        std::fprintf(stderr, "veltradsp: no output sink named '%s' (veltradsp pipewire list)\n",
                     sink_.c_str());
        return codeOf(Exit::kUnknownSink);
    }
    const auto form = form_ == "0.5"   ? SessionFiles::Form::WirePlumber05
                      : form_ == "0.4" ? SessionFiles::Form::WirePlumber04
                                       : detectForm();
    const pipewire::FilterChainConfig config{tuning, sink_};
    SessionFiles(root()).attach(sink_, config.arguments(""), preset_.empty() ? "built-in" : preset_,
                                form);
    std::printf("attached the VeltraDsp sink to %s\n", sink_.c_str());
    if (now_) restartWirePlumber();
    return 0;
}

int PipeWireCommands::detach() const {
    const SessionFiles files(root());
    std::vector<std::string> sinks;
    if (all_) {
        for (const auto& a : files.attachments()) sinks.push_back(a.sink);
    } else {
        sinks.push_back(sink_);
    }
    for (const auto& sink : sinks) {
        if (!files.detach(sink)) {
            std::fprintf(stderr, "veltradsp: %s is not attached\n", sink.c_str());
            return codeOf(Exit::kUnknownSink);
        }
        std::printf("detached %s\n", sink.c_str());
    }
    if (now_) restartWirePlumber();
    return 0;
}

int PipeWireCommands::status() const {
    const auto reached = reachPipeWire();
    if (!reached) return codeOf(Exit::kSystem);
    const SinkList& sinks = *reached;
    int result = 0;
    bool found = false;
    for (const auto& a : SessionFiles(root()).attachments()) {
        if (!sink_.empty() && a.sink != sink_) continue;
        found = true;
        const bool present = sinks.has(a.sink), running = sinks.running(a.sink);
        std::printf("%s: attached, preset %s, device %s, %s\n", a.sink.c_str(), a.preset.c_str(),
                    present ? "present" : "absent",
                    running ? "running" : (present ? "not running" : "waiting for the device"));
        if (present && !running) result = codeOf(Exit::kNotIntact);
    }
    if (!found && !sink_.empty()) {
        std::fprintf(stderr, "veltradsp: %s is not attached\n", sink_.c_str());
        return codeOf(Exit::kUnknownSink);
    }
    if (!found) std::printf("nothing attached\n");
    return result;
}

}  // namespace veltra::tools
