// Writes the parameter table out for the places that must agree with it: the LV2 plugin's
// description (--ttl) and the parameter reference (--markdown). Run at build time.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "lv2/FixedPorts.h"
#include "presets/NumberText.h"
#include "presets/ParameterTable.h"
#include "presets/Tuning.h"

namespace {

using namespace veltra::presets;

std::string number(float v) {
    return NumberText::shortest(v);
}

const char* unitUri(const Field& f) {
    const std::string u = f.unit;
    if (u == "dB") return "units:db";
    if (u == "Hz") return "units:hz";
    if (u == "ms") return "units:ms";
    if (u == "%") return "units:pc";
    if (u == "samples") return "units:frame";
    return nullptr;
}

std::string fixedPorts() {
    std::ostringstream out;
    out << R"(@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix units: <http://lv2plug.in/ns/extensions/units#> .

# Written at build time from the parameter table; do not edit.
<urn:veltradsp:speaker>
    a lv2:Plugin, lv2:SpatialPlugin ;
    doap:name "VeltraDsp Speaker" ;
    rdfs:comment "The VeltraDsp speaker path: headroom, equalisers, look-ahead limiters, a stereo widener and the enhancement switch with its fade. Every value of the tuning is a control; a change glides in while the sound plays on." ;
    lv2:optionalFeature lv2:hardRTCapable ;
    lv2:port )";
    using veltra::lv2::PortKind;
    for (const veltra::lv2::FixedPort& p : veltra::lv2::kFixedPorts) {
        const bool audio = p.kind == PortKind::kAudioIn || p.kind == PortKind::kAudioOut;
        const bool input = p.kind == PortKind::kAudioIn || p.kind == PortKind::kControlIn;
        out << (p.index == 0 ? "[\n" : " , [\n") << "        a "
            << (audio ? "lv2:AudioPort" : "lv2:ControlPort") << ", "
            << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
            << "        lv2:index " << p.index << " ;\n"
            << "        lv2:symbol \"" << p.symbol << "\" ;\n"
            << "        lv2:name \"" << p.name << "\"";
        if (p.comment != nullptr) out << " ;\n        rdfs:comment \"" << p.comment << "\"";
        if (p.designation != nullptr) out << " ;\n        lv2:designation " << p.designation;
        if (!audio) {
            if (input) out << " ;\n        lv2:default " << number(p.defaultValue);
            out << " ;\n        lv2:minimum " << number(p.minimum) << " ;\n        lv2:maximum "
                << number(p.maximum);
        }
        if (p.unit != nullptr) out << " ;\n        units:unit " << p.unit;
        if (p.properties != nullptr) out << " ;\n        lv2:portProperty " << p.properties;
        out << "\n    ]";
    }
    return out.str();
}

std::string turtle() {
    std::ostringstream out;
    out << fixedPorts();
    const Tuning builtIn = Tuning::builtIn();
    int index = 7;
    for (const Parameter& p : allParameters()) {
        const Field& f = *p.field;
        out << " , [\n        a lv2:ControlPort, lv2:InputPort ;\n"
            << "        lv2:index " << index++ << " ;\n"
            << "        lv2:symbol \"" << p.symbol() << "\" ;\n"
            << "        lv2:name \"" << p.label() << "\" ;\n"
            << "        rdfs:comment \"" << f.meaning << "\" ;\n"
            << "        lv2:default " << number(builtIn.value(p)) << " ;\n"
            << "        lv2:minimum " << number(f.minimum) << " ;\n"
            << "        lv2:maximum " << number(f.maximum);
        if (const char* unit = unitUri(f)) out << " ;\n        units:unit " << unit;
        if (f.kind == ValueKind::Toggle) out << " ;\n        lv2:portProperty lv2:toggled";
        if (f.kind == ValueKind::Whole || f.kind == ValueKind::WholeInt32)
            out << " ;\n        lv2:portProperty lv2:integer";
        if (f.kind == ValueKind::FilterType) {
            out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration ;\n"
                << "        lv2:scalePoint";
            bool first = true;
            for (const FilterType& t : filterTypes()) {
                out << (first ? " " : " , ") << "[ rdfs:label \"" << t.label << "\" ; rdf:value "
                    << t.code << " ]";
                first = false;
            }
        }
        out << "\n    ]";
    }
    out << " .\n";
    return out.str();
}

std::string markdown() {
    std::ostringstream out;
    const Tuning builtIn = Tuning::builtIn();
    out << "# Speaker parameters\n\n"
        << "Written from the parameter table at build time (`presets/ParameterTable.cpp`); do not "
           "edit.\n"
        << "Every value below is a key of a preset file (the stage's table), and a control port "
           "of\n"
        << "the LV2 plugin `urn:veltradsp:speaker` with the symbol shown. Defaults are the "
           "built-in\n"
        << "tuning (`presets/default.toml`). A preset value outside its range is refused by\n"
        << "`veltradsp preset check`; a port value outside it is clamped.\n\n"
        << "Equaliser stages take up to 16 bands, `bands = [ { type = ..., freq_hz = ..., gain_db "
           "= ..., q = ... }, ... ]`;\n"
        << "port symbols number them from 1 (`pre_eq_band1_freq_hz`). A band's `gain_db` defaults\n"
        << "to 0 and `q` to 0.7071 when left out; bands left out are `none`.\n";
    for (int s = 0; s < kStageCount; ++s) {
        const StageInfo& stage = stages()[s];
        out << "\n## " << stage.name
            << "\n\n| key | port symbol | unit | range | default | meaning "
               "|\n|---|---|---|---|---|---|\n";
        for (const Field& f : stage.fields) {
            const Parameter p{s, -1, &f};
            out << "| `" << f.key << "` | `" << p.symbol() << "` | " << f.unit << " | "
                << (f.kind == ValueKind::Toggle ? std::string("true/false")
                                                : number(f.minimum) + " to " + number(f.maximum))
                << " | " << number(builtIn.value(p)) << " | " << f.meaning << " |\n";
        }
        if (!stage.hasBands) continue;
        for (const Field& f : bandFields()) {
            const std::string symbol = std::string(stage.symbol) + "_bandN_" + f.key;
            out << "| `bands[].` `" << f.key << "` | `" << symbol << "` | " << f.unit << " | "
                << (f.kind == ValueKind::FilterType
                        ? std::string("a type name")
                        : number(f.minimum) + " to " + number(f.maximum))
                << " | (per band) | " << f.meaning << " |\n";
        }
    }
    out << "\n## Equaliser section types\n\n| name | type code (port value) | gain used | Q used "
           "|\n|---|---|---|---|\n";
    for (const FilterType& t : filterTypes())
        out << "| `" << t.name << "` | " << t.code << " | " << (t.usesGain ? "yes" : "no") << " | "
            << (t.usesQ ? "yes" : "no") << " |\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: veltra_parameter_listing --ttl|--markdown OUT\n");
        return 64;
    }
    const std::string mode = argv[1];
    const std::string text = mode == "--ttl" ? turtle() : markdown();
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    return out ? 0 : 1;
}
