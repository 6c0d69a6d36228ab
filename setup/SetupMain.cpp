// VeltraDspSetup.exe: attaches the module's mode effects to audio endpoints, shows and repairs
// what it attached, and undoes it. See --help and docs/endpoint-setup.md.
#include <mmdeviceapi.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/AudioService.h"
#include "setup/DeviceNames.h"
#include "setup/EndpointRegistry.h"
#include "setup/EndpointSetup.h"
#include "setup/Identifiers.h"
#include "setup/RegistryValue.h"

using namespace veltra::setup;

namespace {

constexpr const char* kHelp =
    "VeltraDspSetup: attach the VeltraDsp effects to audio endpoints, and undo it.\n"
    "\n"
    "  VeltraDspSetup list\n"
    "  VeltraDspSetup status [--endpoint ID]\n"
    "  VeltraDspSetup attach (--endpoint ID | --default) [--restart-audio]\n"
    "  VeltraDspSetup detach (--endpoint ID | --all) [--restart-audio]\n"
    "  VeltraDspSetup repair [--endpoint ID] [--restart-audio]\n"
    "\n"
    "ID is an endpoint id as `list` shows it ({0.0.0.00000000}.{...}) or its {guid}.\n"
    "--default is the default render endpoint. attach sets the speaker effect on a render\n"
    "endpoint and the microphone effect on a capture endpoint, saving what it replaces;\n"
    "detach puts exactly that back. The audio service applies a change when the endpoint next\n"
    "starts; --restart-audio restarts the service now. Changing endpoints needs an elevated\n"
    "prompt.\n"
    "\n"
    "Exit codes:\n"
    "  0   done (status: everything attached is intact)\n"
    "  1   status: an attached endpoint was replaced (run repair) or its module is missing\n"
    "  3   no endpoint has that id\n"
    "  4   the module is not registered (regsvr32 VeltraDspAPO.dll); nothing was changed\n"
    "  5   access denied: run elevated; nothing was changed\n"
    "  6   an endpoint value has the wrong type, or a backup is damaged; nothing was changed\n"
    "  7   another system error; what had been written was put back\n"
    "  64  the command line is wrong\n";

std::wstring widen(const char* ascii) {
    const std::string s = ascii;
    return std::wstring(s.begin(), s.end());
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(std::size_t(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

void say(const std::wstring& text) {
    std::fputs((utf8(text) + "\n").c_str(), stdout);
}

struct Options {
    std::wstring command;
    std::optional<std::wstring> endpoint;
    bool defaultEndpoint = false, all = false, restartAudio = false, help = false;
};

std::optional<Options> parse(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--help" || a == L"-h" || a == L"/?") {
            o.help = true;
        } else if (a == L"--endpoint" && i + 1 < argc) {
            o.endpoint = argv[++i];
        } else if (a == L"--default") {
            o.defaultEndpoint = true;
        } else if (a == L"--all") {
            o.all = true;
        } else if (a == L"--restart-audio") {
            o.restartAudio = true;
        } else if (o.command.empty() && !a.empty() && a[0] != L'-') {
            o.command = a;
        } else {
            return std::nullopt;
        }
    }
    if (o.help) return o;
    const bool known = o.command == L"list" || o.command == L"status" || o.command == L"attach" ||
                       o.command == L"detach" || o.command == L"repair";
    const int targets = int(o.endpoint.has_value()) + int(o.defaultEndpoint) + int(o.all);
    if (!known || targets > 1) return std::nullopt;
    if (o.command == L"attach" && (o.all || targets != 1)) return std::nullopt;
    if (o.command == L"detach" && (o.defaultEndpoint || targets != 1)) return std::nullopt;
    if ((o.command == L"list" || o.command == L"status" || o.command == L"repair") &&
        (o.defaultEndpoint || o.all))
        return std::nullopt;
    return o;
}

std::wstring effectText(const EndpointRegistry& registry, const Endpoint& e, const wchar_t* name) {
    RegistryValue v;
    if (registry.readEffect(e, name, v) != ERROR_SUCCESS) return L"(unreadable)";
    if (!v.present) return L"-";
    if (v.type != REG_SZ) return L"(malformed: " + std::wstring(widen(typeName(v.type))) + L")";
    return v.text();
}

std::wstring stateText(std::optional<DWORD> state) {
    if (!state) return L"state unknown";
    switch (*state) {
        case DEVICE_STATE_ACTIVE:
            return L"active";
        case DEVICE_STATE_DISABLED:
            return L"disabled";
        case DEVICE_STATE_NOTPRESENT:
            return L"not present";
        case DEVICE_STATE_UNPLUGGED:
            return L"unplugged";
        default:
            return L"state " + std::to_wstring(*state);
    }
}

int list(const EndpointRegistry& registry, const EndpointSetup& setup,
         const std::vector<Endpoint>& endpoints) {
    const DeviceNames devices;
    for (const Endpoint& e : endpoints) {
        const std::wstring name = devices.name(e.id()).value_or(registry.storedName(e));
        const std::optional<DWORD> state = devices.state(e.id());
        say(e.id() + L"  " + e.flowName() + L"  \"" + name + L"\"  " +
            stateText(state ? state : registry.storedState(e)));
        say(L"    stream effect:   " + effectText(registry, e, ids::kStreamEffect));
        say(L"    mode effect:     " + effectText(registry, e, ids::kModeEffect));
        say(L"    endpoint effect: " + effectText(registry, e, ids::kEndpointEffect));
        say(L"    VeltraDsp:       " + widen(EndpointSetup::statusName(setup.status(e))));
    }
    if (endpoints.empty()) say(L"no audio endpoints");
    return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::optional<Options> options = parse(argc, argv);
    if (!options || options->help || options->command.empty()) {
        std::fputs(kHelp, options && options->help ? stdout : stderr);
        return options && options->help ? kOk : kUsage;
    }
    const Options& o = *options;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const EndpointRegistry registry;
    const EndpointSetup setup;

    std::vector<Endpoint> endpoints;
    if (o.endpoint || o.defaultEndpoint) {
        std::optional<std::wstring> id = o.endpoint;
        if (o.defaultEndpoint) id = DeviceNames().defaultEndpoint(0);
        const std::optional<Endpoint> found = id ? registry.find(*id) : std::nullopt;
        if (!found) {
            say(L"no audio endpoint has the id " + (id ? *id : std::wstring(L"(no default)")) +
                L"; `VeltraDspSetup list` shows them");
            return kUnknownEndpoint;
        }
        endpoints.push_back(*found);
    } else if (const LONG error = registry.list(endpoints); error != ERROR_SUCCESS) {
        say(L"cannot read the endpoint tree: system error " + std::to_wstring(error));
        return kFailed;
    }

    if (o.command == L"list") return list(registry, setup, endpoints);
    int code = kOk;
    bool changed = false;
    for (const Endpoint& e : endpoints) {
        if (o.command == L"status") {
            const Status s = setup.status(e);
            if (o.endpoint || s != Status::NotAttached)
                say(e.id() + L": " + widen(EndpointSetup::statusName(s)));
            if (s == Status::Replaced || s == Status::ModuleMissing) code = kNotIntact;
            continue;
        }
        if (o.command == L"repair" && !o.endpoint && setup.status(e) != Status::Replaced) continue;
        const Outcome out = o.command == L"attach"   ? setup.attach(e)
                            : o.command == L"detach" ? setup.detach(e)
                                                     : setup.repair(e);
        if (o.command == L"detach" && o.all && out.code == kOk && !out.changed) continue;
        say(e.id() + L": " + out.message);
        changed = changed || out.changed;
        if (out.code != kOk && code == kOk) code = out.code;
    }
    if (o.command == L"repair" && !changed && code == kOk) say(L"nothing needed repair");
    if (changed) {
        if (o.restartAudio) {
            const std::wstring problem = AudioService::restart();
            say(problem.empty() ? L"the audio service was restarted: the change is in effect"
                                : L"restarting the audio service: " + problem);
            if (!problem.empty() && code == kOk) code = kFailed;
        } else {
            say(L"the audio service applies this when the endpoint next starts; "
                L"--restart-audio restarts it now");
        }
    }
    CoUninitialize();
    return code;
}
