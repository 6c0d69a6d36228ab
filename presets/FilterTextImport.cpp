#include "presets/FilterTextImport.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "presets/FilterConversion.h"
#include "presets/NumberFormat.h"
#include "presets/SectionFit.h"
#include "presets/TextDecoding.h"
#include "presets/ValueCheck.h"

namespace veltra::presets {

namespace {

// A filter as the file writes it, its numbers still text until the file's number format is known.
struct WrittenFilter {
    int line = 0;
    std::string type;
    std::optional<std::string> fc, gain, q, fp, qp;
    bool preamp = false;
};

// The line's words into `out`, which one import reuses from line to line.
void words(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
}

// Digits with signs and marks, and the no-break spaces that group thousands: "6dB" is a word.
bool numeric(std::string_view w) {
    bool digit = false;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const char c = w[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (w.substr(i, 2) == "\xC2\xA0") {
            ++i;
        } else if (w.substr(i, 3) == "\xE2\x80\xAF") {
            i += 2;
        } else if (c != '.' && c != ',' && c != '-' && c != '+') {
            return false;
        }
    }
    return digit;
}

bool threeDigitGroup(std::string_view w) {
    if (w.size() < 3) return false;
    for (int i = 0; i < 3; ++i)
        if (w[i] < '0' || w[i] > '9') return false;
    return w.size() == 3 || w[3] == '.' || w[3] == ',';
}

bool isFilterLine(const std::vector<std::string_view>& w) {
    if (w.size() < 2 || w[0] != "Filter" || w[1].size() < 2 || w[1].back() != ':') return false;
    for (std::size_t i = 0; i + 1 < w[1].size(); ++i)
        if (w[1][i] < '0' || w[1][i] > '9') return false;
    return true;
}

// `before` 'word' `after`, built by appending: GCC 12 warns falsely (-Wrestrict) on a literal
// added to a temporary string.
std::string quoted(std::string_view before, std::string_view word, std::string_view after) {
    return std::string(before).append("'").append(word).append("'").append(after);
}

// The number at word `at`, with the groups of a space-grouped one ("1 275"); moves past it.
std::string valueAt(const std::vector<std::string_view>& w, std::size_t& at) {
    std::string value(w[at++]);
    const bool short_ = value.size() <= 3 + (value[0] == '-' || value[0] == '+' ? 1 : 0) &&
                        value.find_first_of(".,") == std::string::npos;
    while (short_ && at < w.size() && threeDigitGroup(w[at])) value.append(" ").append(w[at++]);
    return value;
}

bool isKey(std::string_view w) {
    return w == "Fc" || w == "Gain" || w == "Q" || w == "T60" || w == "Fp" || w == "Qp";
}

// "TYPE [Fc F Hz] [Gain G dB] [Q Q] [T60 target T ms] [Fp F] [Qp Q]" from word `at` on; an
// empty reason means success.
std::string readFilter(const std::vector<std::string_view>& w, std::size_t at, WrittenFilter& f) {
    // REW's "LP Q", "LS Q", "Notch Q": a Q that a number does not follow is the type's.
    auto typeWord = [&](std::size_t i) {
        return !isKey(w[i]) ||
               (w[i] == "Q" && !f.type.empty() && (i + 1 >= w.size() || !numeric(w[i + 1])));
    };
    while (at < w.size() && typeWord(at)) {
        if (!f.type.empty()) f.type += ' ';
        f.type.append(w[at++]);
    }
    if (f.type.empty()) return "a filter line needs a type";
    while (at < w.size()) {
        const std::string_view key = w[at++];
        if (!isKey(key)) return quoted(quoted("", f.type, ": unknown field "), key, "");
        if (key == "T60") {
            // Modal's decay target: the bell it makes has its Q already.
            if (at < w.size() && w[at] == "target") ++at;
        }
        if (at >= w.size() || !numeric(w[at])) {
            return quoted(
                quoted("", f.type, ": "), key,
                at < w.size() ? quoted(" needs a number, not ", w[at], "") : " without a value");
        }
        std::string value = valueAt(w, at);
        if (key == "Fc") f.fc = value;
        if (key == "Gain") f.gain = value;
        if (key == "Q") f.q = value;
        if (key == "Fp") f.fp = value;
        if (key == "Qp") f.qp = value;
        if (at < w.size() && (w[at] == "Hz" || w[at] == "dB" || w[at] == "ms")) ++at;
    }
    return {};
}

// REW's table export: a header naming the columns, then one row per filter.
struct Table {
    std::vector<std::string> columns;
    bool found = false;
};

bool readHeader(std::string_view line, Table& table) {
    if (line.find("Number") == std::string_view::npos ||
        line.find("Type") == std::string_view::npos ||
        line.find("Frequency") == std::string_view::npos)
        return false;
    table.columns.clear();
    std::string cell;
    for (char c : std::string(line) + ",") {
        if (c == ',' || c == '\t') {
            const auto b = cell.find_first_not_of(' '), e = cell.find_last_not_of(" \r");
            table.columns.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
            cell.clear();
        } else {
            cell += c;
        }
    }
    table.found = true;
    return true;
}

// A row such as "1 True Auto PK 52.00 -7.80 3.760 13.83": the type's words run until a number.
std::string readRow(const Table& table, std::string_view line, std::vector<std::string_view>& w,
                    WrittenFilter& f, bool& enabled) {
    std::vector<std::string> cells;
    if (line.find('\t') != std::string_view::npos) {
        std::string cell;
        for (char c : std::string(line) + "\t") {
            if (c == '\t') {
                const auto b = cell.find_first_not_of(' '), e = cell.find_last_not_of(" \r");
                cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
                cell.clear();
            } else {
                cell += c;
            }
        }
    } else {
        words(line, w);
        std::size_t at = 0;
        for (std::size_t c = 0; c < table.columns.size() && at < w.size(); ++c) {
            if (table.columns[c] == "Type") {
                std::string type;
                while (at < w.size() && !numeric(w[at])) {
                    if (!type.empty()) type += ' ';
                    type.append(w[at++]);
                }
                cells.push_back(type);
            } else {
                cells.emplace_back(w[at++]);
            }
        }
    }
    enabled = true;
    for (std::size_t c = 0; c < table.columns.size() && c < cells.size(); ++c) {
        const std::string& name = table.columns[c];
        const std::string& cell = cells[c];
        if (name == "Enabled") enabled = cell != "False" && cell != "false";
        if (name == "Type") f.type = cell;
        if (cell.empty()) continue;
        if (name.starts_with("Frequency")) f.fc = cell;
        if (name.starts_with("Gain")) f.gain = cell;
        if (name == "Q") f.q = cell;
    }
    if (f.type.empty()) return "a table row needs a type";
    return {};
}

}  // namespace

namespace {

// Every filter line, table row and preamp of the text, in order; problems of form by line.
std::vector<WrittenFilter> readAll(const std::string& text, NumberFormat& format,
                                   PresetProblems& problems, bool& anyFilter) {
    std::vector<WrittenFilter> filters;
    std::vector<std::string_view> w;
    Table table;
    int lineNumber = 0;
    anyFilter = false;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = std::string_view(text).substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        words(line, w);
        auto observe = [&](const WrittenFilter& f) {
            for (const auto* v : {&f.fc, &f.gain, &f.q, &f.fp, &f.qp})
                if (*v) format.observe(**v, f.line, v == &f.fc || v == &f.fp);
        };
        if (w.size() >= 2 && w[0] == "Preamp:") {
            WrittenFilter f;
            f.line = lineNumber;
            f.preamp = true;
            std::size_t at = 1;
            if (numeric(w[1])) f.gain = valueAt(w, at);
            if (!f.gain || (at < w.size() && w[at] != "dB") || w.size() > at + 1) {
                problems.push_back({lineNumber, 0, "preamp: expected 'Preamp: <gain> dB'"});
                continue;
            }
            observe(f);
            filters.push_back(f);
            continue;
        }
        if (!table.found && readHeader(line, table)) continue;
        if (table.found && !w.empty() && numeric(w[0]) && !isFilterLine(w)) {
            WrittenFilter f;
            f.line = lineNumber;
            bool enabled = true;
            std::string reason = readRow(table, line, w, f, enabled);
            anyFilter = true;
            if (!reason.empty()) problems.push_back({lineNumber, 0, reason});
            if (!reason.empty() || !enabled || f.type == "None") continue;
            observe(f);
            filters.push_back(f);
            continue;
        }
        if (!isFilterLine(w)) continue;  // REW's header and notes lines
        anyFilter = true;
        if (w.size() < 4 || (w[2] != "ON" && w[2] != "OFF")) {
            problems.push_back({lineNumber, 0, "expected 'Filter N: ON|OFF TYPE ...'"});
            continue;
        }
        if (w[2] == "OFF" || w[3] == "None") continue;
        WrittenFilter f;
        f.line = lineNumber;
        const std::string reason = readFilter(w, 3, f);
        if (!reason.empty()) {
            problems.push_back({lineNumber, 0, reason});
            continue;
        }
        observe(f);
        filters.push_back(f);
    }
    return filters;
}

}  // namespace

bool FilterTextImport::apply(std::string_view raw, int stage, int rate, Tuning& tuning,
                             PresetProblems& problems) {
    const std::size_t before = problems.size();
    const std::string text = TextDecoding::toUtf8(raw);
    NumberFormat format;
    bool anyFilter = false;
    const std::vector<WrittenFilter> written = readAll(text, format, problems, anyFilter);
    if (const auto problem = format.problem())
        problems.push_back({problem->first, 0, problem->second});
    if (problems.size() != before) return false;

    std::vector<ImportedSection> sections;
    std::optional<ImportedSection> preamp;
    for (const WrittenFilter& w : written) {
        FilterSpec spec;
        spec.type = w.type;
        std::string reason;
        auto number = [&](const std::optional<std::string>& text, std::optional<double>& out) {
            if (!text || !reason.empty()) return;
            out = format.read(*text);
            if (!out) reason = quoted("", *text, " is not a number");
        };
        number(w.fc, spec.fc);
        number(w.gain, spec.gain);
        number(w.q, spec.q);
        number(w.fp, spec.fp);
        number(w.qp, spec.qp);
        if (w.preamp) {
            if (!reason.empty()) {
                problems.push_back({w.line, 0, "preamp: " + reason});
            } else if (*spec.gain != 0.0) {
                ImportedSection s;
                s.line = w.line;
                s.code = codeOf(SectionType::kGain);
                s.freq = 1000.0;
                s.gain = *spec.gain;
                s.q = 0.70710678118654752;
                preamp = s;
            }
            continue;
        }
        ImportedSection s;
        s.line = w.line;
        bool none = false;
        if (reason.empty()) reason = FilterConversion::convert(spec, rate, s, none);
        if (!reason.empty()) {
            problems.push_back({w.line, 0, reason});
            continue;
        }
        if (!none) sections.push_back(s);
    }
    if (problems.size() != before) return false;
    if (sections.empty() && !preamp) {
        problems.push_back({0, 0,
                            anyFilter ? "every filter is OFF or None: the stage would be "
                                        "empty (an empty stage is 'bands = []' in a preset)"
                                      : "no filter found: expected 'Filter N: ON TYPE Fc ... "
                                        "Hz ...' lines or REW's table export"});
        return false;
    }
    if (preamp) sections.insert(sections.begin(), *preamp);
    if (sections.size() > static_cast<std::size_t>(kMaxBands))
        problems.push_back({sections[kMaxBands].line, 0,
                            std::to_string(sections.size()) + " sections" +
                                (preamp ? " with the preamp" : "") + "; allowed: at most " +
                                std::to_string(kMaxBands)});
    // What the conversion made must still be a valid band (a high Q after scaling, a shelf
    // corner moved past the rate's limit); the gain is never converted.
    const std::vector<int> rates = {rate};
    for (std::size_t i = 0; i < sections.size() && i < static_cast<std::size_t>(kMaxBands); ++i) {
        const ImportedSection& s = sections[i];
        const double values[kBandWords] = {s.freq, s.gain, s.q, 0};
        for (const Field& f : bandFields()) {
            if (f.kind == ValueKind::FilterType) continue;
            const std::string name = f.word == 1 ? "gain" : "converted " + std::string(f.key);
            const std::string problem = checkValue(name, f, values[f.word], rates);
            if (!problem.empty()) problems.push_back({s.line, 0, problem});
        }
    }
    if (problems.size() != before) return false;
    const auto allowed = [&](int word, float v) {
        for (const Field& f : bandFields())
            if (f.word == word && f.kind != ValueKind::FilterType)
                return checkValue(f.key, f, v, rates).empty();
        return true;
    };
    const auto fit = std::make_unique<SectionFit>(rate);
    for (ImportedSection& s : sections)
        if (s.code != codeOf(SectionType::kGain))
            fit->refine(s.code, s.target, s.gain, s.freq, s.q, allowed);
    tuning.clearBands(stage);
    for (std::size_t b = 0; b < sections.size(); ++b) {
        const ImportedSection& s = sections[b];
        const double values[kBandWords] = {s.freq, s.gain, s.q, static_cast<double>(s.code)};
        for (const Field& f : bandFields())
            tuning.set({stage, static_cast<int>(b), &f}, static_cast<float>(values[f.word]));
    }
    return true;
}

}  // namespace veltra::presets
