#include "presets/PresetFile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <sstream>

#include "files/WholeFile.h"
#include "presets/NumberText.h"
#include "presets/ValueCheck.h"

namespace veltra::presets {

namespace {

const char* const kBandsKey = "bands";
constexpr float kDefaultQ = 0.70710677f;  // Butterworth, for a band that gives no q

class Reader {
  public:
    Reader(const std::vector<int>& rates, Tuning& tuning, PresetProblems& problems)
        : rates_(rates), tuning_(tuning), problems_(problems) {}

    void document(const toml::table& root) {
        bool sawFormat = false;
        for (auto&& [key, node] : root) {
            const std::string name(key.str());
            if (name == "format") {
                sawFormat = true;
                // Only an integer is asked for its value: toml++ converts a float that does not
                // fit an integer with undefined behaviour ("format = 4e59").
                const auto* version = node.as_integer();
                if (version == nullptr || version->get() != kFormatVersion)
                    report(node.source(), "format: this is format " +
                                              std::to_string(kFormatVersion) +
                                              " of the preset file; allowed: format = " +
                                              std::to_string(kFormatVersion));
                continue;
            }
            const int stage = stageIndex(name);
            if (stage < 0) {
                report(key.source(), "unknown stage '" + name + "'; allowed: " + stageNames());
                continue;
            }
            if (!node.is_table()) {
                report(node.source(),
                       std::string(name).append(": must be a table ([").append(name).append("])"));
                continue;
            }
            stageTable(stage, *node.as_table());
        }
        if (!sawFormat)
            problems_.push_back({1, 1,
                                 "format: missing; allowed: format = " +
                                     std::to_string(kFormatVersion) + " at the top"});
    }

  private:
    static std::string stageNames() {
        std::string s;
        for (const StageInfo& stage : stages())
            s += (s.empty() ? "" : ", ") + std::string(stage.name);
        return s;
    }

    static std::string keyNames(std::span<const Field> fields, bool bands) {
        std::string s;
        for (const Field& f : fields) s += (s.empty() ? "" : ", ") + std::string(f.key);
        if (bands) s += std::string(", ") + kBandsKey;
        return s;
    }

    void report(const toml::source_region& where, std::string message) {
        problems_.push_back({static_cast<int>(where.begin.line),
                             static_cast<int>(where.begin.column), std::move(message)});
    }

    void stageTable(int stage, const toml::table& table) {
        const StageInfo& info = stages()[stage];
        for (auto&& [key, node] : table) {
            const std::string name(key.str());
            if (info.hasBands && name == kBandsKey) {
                bandArray(stage, node);
                continue;
            }
            const Field* field = nullptr;
            for (const Field& f : info.fields)
                if (name == f.key) field = &f;
            if (field == nullptr) {
                report(key.source(), std::string(info.name) + ": unknown key '" + name +
                                         "'; allowed: " + keyNames(info.fields, info.hasBands));
                continue;
            }
            float v = 0.0f;
            if (value(std::string(info.name) + " " + name, *field, node, v))
                tuning_.set({stage, -1, field}, v);
        }
    }

    void bandArray(int stage, const toml::node& node) {
        const std::string stageName = stages()[stage].name;
        const toml::array* array = node.as_array();
        if (array == nullptr) {
            report(node.source(), stageName + " bands: must be an array of band tables");
            return;
        }
        if (array->size() > static_cast<std::size_t>(kMaxBands)) {
            report((*array)[kMaxBands].source(),
                   stageName + " bands: " + std::to_string(array->size()) +
                       " bands; allowed: at most " + std::to_string(kMaxBands));
            return;
        }
        tuning_.clearBands(stage);
        for (std::size_t b = 0; b < array->size(); ++b) {
            const toml::table* band = (*array)[b].as_table();
            const std::string name = stageName + " band " + std::to_string(b + 1);
            if (band == nullptr) {
                report((*array)[b].source(),
                       name + ": must be a table { type = ..., freq_hz = ... }");
                continue;
            }
            bandTable(stage, static_cast<int>(b), name, *band);
        }
    }

    void bandTable(int stage, int b, const std::string& name, const toml::table& band) {
        const auto fields = bandFields();
        const FilterType* type = nullptr;
        for (auto&& [key, node] : band) {
            const std::string k(key.str());
            const Field* field = nullptr;
            for (const Field& f : fields)
                if (k == f.key) field = &f;
            if (field == nullptr) {
                report(key.source(), std::string(name)
                                         .append(": unknown key '")
                                         .append(k)
                                         .append("'; allowed: ")
                                         .append(keyNames(fields, false)));
                continue;
            }
            if (field->kind == ValueKind::FilterType) type = typeValue(name, node);
        }
        if (type == nullptr) {
            if (!band.contains("type"))
                report(band.source(), name + ": no type; allowed: type = " + typeNames());
            return;
        }
        // The values a type does not use are still stored (a later change of type uses them) but
        // are only checked when they matter.
        float values[kBandWords] = {};
        values[2] = kDefaultQ;
        const bool none = type->code == 0;
        if (none) values[2] = 0.0f;
        for (const Field& f : fields) {
            if (f.kind == ValueKind::FilterType) continue;
            const toml::node* node = band.get(f.key);
            const bool used = !none && (f.word == 0 || (f.word == 1 && type->usesGain) ||
                                        (f.word == 2 && type->usesQ));
            if (node == nullptr) {
                if (f.word == 0 && !none)
                    report(band.source(),
                           name + ": no freq_hz; a " + type->name + " band needs one");
                continue;
            }
            float v = 0.0f;
            if (used ? value(name + " " + f.key, f, *node, v)
                     : number(name + " " + f.key, *node, v))
                values[f.word] = v;
        }
        values[3] = static_cast<float>(type->code);
        for (const Field& f : fields) tuning_.set({stage, b, &f}, values[f.word]);
    }

    const FilterType* typeValue(const std::string& name, const toml::node& node) {
        const auto text = node.value<std::string>();
        const FilterType* type = text ? findFilterType(*text) : nullptr;
        if (type == nullptr)
            report(node.source(),
                   name + " type: " + (text ? "unknown type '" + *text + "'" : "must be a name") +
                       "; allowed: " + typeNames());
        return type;
    }

    static std::string typeNames() {
        std::string s;
        for (const FilterType& t : filterTypes())
            s += (s.empty() ? "" : ", ") + std::string(t.name);
        return s;
    }

    // Any number, unchecked beyond being one and finite.
    bool number(const std::string& name, const toml::node& node, float& out) {
        const auto v = node.value<double>();
        if (!v || node.is_boolean()) {
            report(node.source(), name + ": must be a number");
            return false;
        }
        if (!std::isfinite(*v)) {
            report(node.source(), name + ": not a finite number");
            return false;
        }
        out = static_cast<float>(*v);
        return true;
    }

    bool value(const std::string& name, const Field& field, const toml::node& node, float& out) {
        switch (field.kind) {
            case ValueKind::Toggle:
                if (!node.is_boolean()) {
                    report(node.source(), name + ": must be true or false");
                    return false;
                }
                out = node.value<bool>().value_or(false) ? 1.0f : 0.0f;
                return true;
            case ValueKind::Whole:
            case ValueKind::WholeInt32:
                if (!node.is_integer()) {
                    report(node.source(), name + ": must be a whole number; allowed: " +
                                              NumberText::shortest(field.minimum) + " to " +
                                              NumberText::shortest(field.maximum));
                    return false;
                }
                break;
            case ValueKind::Number:
                if (!node.is_number()) {
                    report(node.source(), name + ": must be a number");
                    return false;
                }
                break;
            case ValueKind::FilterType:
                return false;
        }
        const double v = node.value<double>().value_or(0.0);
        const std::string problem = checkValue(name, field, v, rates_);
        if (!problem.empty()) {
            report(node.source(), problem);
            return false;
        }
        out = static_cast<float>(v);
        return true;
    }

    const std::vector<int>& rates_;
    Tuning& tuning_;
    PresetProblems& problems_;
};

// toml++ 3.3 reaches an unreachable point (undefined behaviour) when it tests some characters
// for whitespace, which it does wherever whitespace may stand: "é = 1" is enough. The ranges are
// those its lookup table does not cover. Such characters are never valid there, and in comments
// and strings, where they may stand, a preset has nothing they could mean. They are replaced by
// U+FFFD before parsing, so the file is refused or read exactly as before, and never reaches the
// library's trap.
bool trapsWhitespaceTest(unsigned cp) {
    return (cp >= 0xA1 && cp <= 0x499) || (cp >= 0x2C5E && cp <= 0x3057 && cp != 0x3000) ||
           (cp >= 0xFB26 && cp <= 0xFEFE);
}

std::string withoutWhitespaceTraps(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto at = [&](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    const auto continuation = [&](std::size_t k) { return (at(k) & 0xC0u) == 0x80u; };
    std::size_t kept = 0;  // where the text not yet copied starts
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned b0 = at(i);
        if (b0 < 0xC2) continue;  // no character in the ranges starts with such a byte
        std::size_t length = 1;
        unsigned cp = b0;
        if (b0 <= 0xDF && continuation(i + 1)) {
            length = 2;
            cp = ((b0 & 0x1Fu) << 6) | (at(i + 1) & 0x3Fu);
        } else if (b0 >= 0xE0 && b0 <= 0xEF && continuation(i + 1) && continuation(i + 2)) {
            length = 3;
            cp = ((b0 & 0x0Fu) << 12) | ((at(i + 1) & 0x3Fu) << 6) | (at(i + 2) & 0x3Fu);
        }
        if (length > 1 && trapsWhitespaceTest(cp)) {
            out.append(text.substr(kept, i - kept));
            out += "\xEF\xBF\xBD";
            kept = i + length;
        }
        i += length - 1;
    }
    out.append(text.substr(kept));
    return out;
}

}  // namespace

bool PresetFile::parse(std::string_view text, const std::vector<int>& rates, Tuning& out,
                       PresetProblems& problems) {
    const std::size_t before = problems.size();
    out = Tuning::builtIn();
    const std::string safe = withoutWhitespaceTraps(text);
    const toml::parse_result parsed = toml::parse(safe);
    if (parsed) {
        Reader(rates, out, problems).document(parsed.table());
    } else {
        const toml::parse_error& e = parsed.error();
        problems.push_back({static_cast<int>(e.source().begin.line),
                            static_cast<int>(e.source().begin.column),
                            "not valid TOML: " + std::string(e.description())});
    }
    // In file order, as an editor walks them.
    std::stable_sort(problems.begin() + static_cast<std::ptrdiff_t>(before), problems.end(),
                     [](const PresetProblem& a, const PresetProblem& b) {
                         return a.line != b.line ? a.line < b.line : a.column < b.column;
                     });
    return problems.size() == before;
}

bool PresetFile::read(const std::string& path, const std::vector<int>& rates, Tuning& out,
                      PresetProblems& problems) {
    const std::optional<std::string> text = files::WholeFile::read(path);
    if (!text) {
        problems.push_back({0, 0, "cannot read the file"});
        return false;
    }
    return parse(*text, rates, out, problems);
}

namespace {

void putValue(toml::table& table, const Field& field, float v) {
    switch (field.kind) {
        case ValueKind::Toggle:
            table.insert(field.key, v != 0.0f);
            break;
        case ValueKind::Whole:
        case ValueKind::WholeInt32:
            table.insert(field.key, static_cast<std::int64_t>(v));
            break;
        case ValueKind::FilterType: {
            const FilterType* type = filterTypeForCode(v);
            table.insert(field.key, type != nullptr ? type->name : "none");
            break;
        }
        case ValueKind::Number:
            // Through the shortest decimal text of the float, so the file shows 0.8, not
            // 0.800000011920929, and reads back as the same float.
            table.insert(field.key, std::stod(NumberText::shortest(v)));
            break;
    }
}

}  // namespace

std::string PresetFile::write(const Tuning& tuning) {
    std::ostringstream out;
    out << "# VeltraDsp speaker preset. Stages run in this order; a stage or value left out keeps\n"
           "# the built-in one. Keys and ranges: docs/parameters.md.\n"
        << "format = " << kFormatVersion << "\n";
    for (int s = 0; s < kStageCount; ++s) {
        const StageInfo& info = stages()[s];
        toml::table table;
        for (const Field& f : info.fields) putValue(table, f, tuning.value({s, -1, &f}));
        out << "\n[" << info.name << "]\n" << toml::toml_formatter(table) << "\n";
        if (!info.hasBands) continue;
        const int count = tuning.bandCount(s);
        out << kBandsKey << " = [";
        for (int b = 0; b < count; ++b) {
            toml::table band;
            for (const Field& f : bandFields()) putValue(band, f, tuning.value({s, b, &f}));
            band.is_inline(true);
            out << "\n    " << toml::toml_formatter(band) << ",";
        }
        out << (count > 0 ? "\n]\n" : "]\n");
    }
    return out.str();
}

}  // namespace veltra::presets
