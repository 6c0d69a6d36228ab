#include "tools/PresetExport.h"

#include <cstdio>
#include <sstream>

#include "presets/NumberText.h"
#include "presets/ValueCheck.h"

namespace veltra::tools {

using namespace presets;

std::vector<std::pair<std::string, float>> controlValues(const Tuning& tuning) {
    std::vector<std::pair<std::string, float>> out;
    for (const Parameter& p : allParameters()) out.emplace_back(p.symbol(), tuning.value(p));
    return out;
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
               << "\" ;\n        pset:value "
               << presets::NumberText::floatLiteral(controls[i].second) << "\n    ]";
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
