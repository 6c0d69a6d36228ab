#include "tools/PresetExport.h"

#include <cstdio>
#include <sstream>

#include "presets/ValueCheck.h"

namespace veltra::tools {

using namespace presets;

std::vector<std::pair<std::string, float>> controlValues(const Tuning& tuning) {
    std::vector<std::pair<std::string, float>> out;
    for (const Parameter& p : allParameters()) out.emplace_back(p.symbol(), tuning.value(p));
    return out;
}

std::string pipewireConfiguration(const Tuning& tuning, const std::string& source) {
    std::ostringstream out;
    out << "# VeltraDsp Speaker tuned by " << source << ": a virtual stereo sink that runs\n"
        << "# the speaker path (LV2 urn:veltradsp:speaker) and plays into the default output.\n"
        << "# Written by veltradsp preset export. Change a value live:\n"
        << "#   pw-cli set-param <id of veltradsp_speaker> Props "
           "'{ params = [ \"speaker:pre_eq_band1_gain_db\" -2.0 ] }'\n"
        << "context.modules = [\n"
        << "    {   name = libpipewire-module-filter-chain\n"
        << "        args = {\n"
        << "            node.description = \"VeltraDsp Speaker\"\n"
        << "            media.name       = \"VeltraDsp Speaker\"\n"
        << "            filter.graph = {\n"
        << "                nodes = [\n"
        << "                    {   type    = lv2\n"
        << "                        name    = speaker\n"
        << "                        plugin  = \"urn:veltradsp:speaker\"\n"
        << "                        control = {\n"
        << "                            \"enhancement\" = 1.0\n";
    for (const auto& [symbol, value] : controlValues(tuning))
        out << "                            \"" << symbol << "\" = " << formatNumber(value) << "\n";
    out << "                        }\n"
        << "                    }\n"
        << "                ]\n"
        << "                inputs  = [ \"speaker:in_l\" \"speaker:in_r\" ]\n"
        << "                outputs = [ \"speaker:out_l\" \"speaker:out_r\" ]\n"
        << "            }\n"
        << "            audio.channels = 2\n"
        << "            audio.position = [ FL FR ]\n"
        << "            capture.props = {\n"
        << "                node.name   = \"veltradsp_speaker\"\n"
        << "                media.class = \"Audio/Sink\"\n"
        << "            }\n"
        << "            playback.props = {\n"
        << "                node.name    = \"veltradsp_speaker.output\"\n"
        << "                node.passive = true\n"
        << "            }\n"
        << "        }\n"
        << "    }\n"
        << "]\n";
    return out.str();
}

namespace {

std::string turtleString(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> lv2PresetBundle(const Tuning& tuning,
                                                                 const std::string& name) {
    const std::string prefixes =
        "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n";
    std::string manifest = prefixes +
                           "<preset.ttl>\n    a pset:Preset ;\n"
                           "    lv2:appliesTo <urn:veltradsp:speaker> ;\n"
                           "    rdfs:seeAlso <preset.ttl> .\n";
    std::ostringstream preset;
    preset << prefixes << "<>\n    a pset:Preset ;\n    lv2:appliesTo <urn:veltradsp:speaker> ;\n"
           << "    rdfs:label \"" << turtleString(name) << "\" ;\n    lv2:port";
    const auto controls = controlValues(tuning);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        preset << (i ? " , " : " ") << "[\n        lv2:symbol \"" << controls[i].first
               << "\" ;\n        pset:value " << formatNumber(controls[i].second) << "\n    ]";
    }
    preset << " .\n";
    return {{"manifest.ttl", manifest}, {"preset.ttl", preset.str()}};
}

std::string builtInSource(const Tuning& tuning, const std::string& source) {
    std::ostringstream out;
    out << "// The built-in list from " << source << ", written by veltradsp preset export.\n";
    out << "constexpr BuiltInStage kBuiltInStages[] = {\n";
    for (const auto& block : tuning.blocks())
        out << "    {\"" << block->name << "\", " << block->effectType << ", "
            << int(block->enabled) << "},\n";
    out << "};\nconstexpr BuiltInWord kBuiltInWords[] = {\n";
    const auto& blocks = tuning.blocks();
    for (std::size_t s = 0; s < blocks.size(); ++s) {
        for (std::size_t w = 0; w < blocks[s]->payloadWords(); ++w) {
            const std::uint32_t bits = blocks[s]->payload[w];
            if (bits == 0) continue;
            char word[64];
            std::snprintf(word, sizeof word, "    {%zu, %zu, 0x%08Xu},\n", s, w, unsigned(bits));
            out << word;
        }
    }
    out << "};\n";
    return out.str();
}

}  // namespace veltra::tools
