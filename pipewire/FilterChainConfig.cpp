#include "pipewire/FilterChainConfig.h"

#include <sstream>

#include "presets/NumberText.h"
#include "presets/ValueCheck.h"

namespace veltra::pipewire {

namespace {

// Above the session priority of ordinary devices (ALSA sinks sit below 1100), so the session
// manager makes the sink the default while it exists.
constexpr int kSessionPriority = 2100;

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string FilterChainConfig::arguments(const std::string& in) const {
    std::ostringstream out;
    out << "{\n"
        << in << "    node.description = \"VeltraDsp Speaker\"\n"
        << in << "    media.name       = \"VeltraDsp Speaker\"\n"
        << in << "    filter.graph = {\n"
        << in << "        nodes = [\n"
        << in << "            {   type    = lv2\n"
        << in << "                name    = speaker\n"
        << in << "                plugin  = \"urn:veltradsp:speaker\"\n"
        << in << "                control = {\n"
        << in << "                    \"enhancement\" = 1.0\n";
    for (const presets::Parameter& p : presets::allParameters()) {
        if (!tuningControls) break;
        out << in << "                    \"" << p.symbol()
            << "\" = " << presets::NumberText::floatLiteral(tuning.value(p)) << "\n";
    }
    out << in << "                }\n"
        << in << "            }\n"
        << in << "        ]\n"
        << in << "        inputs  = [ \"speaker:in_l\" \"speaker:in_r\" ]\n"
        << in << "        outputs = [ \"speaker:out_l\" \"speaker:out_r\" ]\n"
        << in << "    }\n"
        << in << "    audio.channels = 2\n"
        << in << "    audio.position = [ FL FR ]\n"
        << in << "    capture.props = {\n"
        << in << "        node.name   = \"veltradsp_speaker\"\n"
        << in << "        media.class = \"Audio/Sink\"\n";
    if (!targetSink.empty()) {
        // No idle-suspend timer for the chain's nodes: WirePlumber 0.4.13 fires such a timer on
        // a node that has gone meanwhile (the chain goes with its device) and crashes.
        out << in << "        priority.session = " << kSessionPriority << "\n"
            << in << "        session.suspend-timeout-seconds = 0\n";
    }
    out << in << "    }\n"
        << in << "    playback.props = {\n"
        << in << "        node.name    = \"veltradsp_speaker.output\"\n"
        << in << "        node.passive = true\n";
    if (!targetSink.empty()) {
        out << in << "        target.object = " << quoted(targetSink) << "\n"
            << in << "        session.suspend-timeout-seconds = 0\n"
            << in << "        node.dont-reconnect = true\n"
            << in << "        node.dont-fallback = true\n";
    }
    out << in << "    }\n" << in << "}\n";
    return out.str();
}

std::string FilterChainConfig::configurationFile(const std::string& source) const {
    std::ostringstream out;
    out << "# VeltraDsp Speaker tuned by " << source << ": a virtual stereo sink that runs\n"
        << "# the speaker path (LV2 urn:veltradsp:speaker) and plays into "
        << (targetSink.empty() ? std::string("the default output") : targetSink) << ".\n"
        << "# Written by veltradsp. Change a value live:\n"
        << "#   pw-cli set-param <id of veltradsp_speaker> Props "
           "'{ params = [ \"speaker:pre_eq_band1_gain_db\" -2.0 ] }'\n"
        << "context.modules = [\n"
        << "    {   name = libpipewire-module-filter-chain\n"
        << "        args = " << arguments("        ") << "    }\n"
        << "]\n";
    return out.str();
}

std::string FilterChainConfig::shippedFile() {
    const presets::Tuning builtIn = presets::Tuning::builtIn();
    const FilterChainConfig config{builtIn, {}, false};
    std::ostringstream out;
    out << "# VeltraDsp Speaker: a virtual stereo sink that runs the speaker path (the LV2 plugin\n"
        << "# urn:veltradsp:speaker) with its built-in tuning and plays into the default output.\n"
        << "#\n"
        << "# For a user: copy to ~/.config/pipewire/pipewire.conf.d/ and restart PipeWire\n"
        << "# (systemctl --user restart pipewire). To bind it to one device instead, use\n"
        << "# veltradsp pipewire attach. Written by veltradsp; a test keeps it so.\n"
        << "# Switch the enhancement live (1.0 on, 0.0 off):\n"
        << "#   pw-cli set-param <id of veltradsp_speaker> Props "
           "'{ params = [ \"speaker:enhancement\" 0.0 ] }'\n"
        << "context.modules = [\n"
        << "    {   name = libpipewire-module-filter-chain\n"
        << "        args = " << config.arguments("        ") << "    }\n"
        << "]\n";
    return out.str();
}

}  // namespace veltra::pipewire
