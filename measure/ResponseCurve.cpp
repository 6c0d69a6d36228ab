#include "measure/ResponseCurve.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "files/WholeFile.h"

namespace veltra::measure {

namespace {

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t,;", at);
        if (start == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t,;", start);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        at = end;
    }
    return fields;
}

bool toNumber(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(out);
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Text quoted in a message: printable ASCII only, so that a binary file cannot garble the terminal.
std::string shown(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 40)) out += (c >= 32 && c < 127) ? c : '?';
    return out;
}

// 'text' then `what`, built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal
// added to a temporary string.
std::string quotedThen(std::string_view text, const char* what) {
    return std::string("'").append(shown(text)).append("' ").append(what);
}

// Which columns hold frequency, level and phase, from a header line such as AutoEq's.
struct Columns {
    std::size_t hz = 0, db = 1, degrees = 2;
    bool phase = true;
};

std::optional<Columns> headerColumns(const std::vector<std::string_view>& fields) {
    Columns c;
    c.phase = false;
    std::optional<std::size_t> hz, db;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string name = lower(fields[i]);
        if (!hz && (name.starts_with("freq") || name == "hz")) hz = i;
        if (!db && (name == "raw" || name.starts_with("spl") || name == "gain" ||
                    name.starts_with("db") || name.starts_with("magnitude")))
            db = i;
        if (!c.phase && name.starts_with("phase")) {
            c.phase = true;
            c.degrees = i;
        }
    }
    if (!hz || !db) return std::nullopt;
    c.hz = *hz;
    c.db = *db;
    return c;
}

double logarithmicMean(double a, double b) {
    const double ratio = std::log(b / a);
    return std::fabs(ratio) < 1e-9 ? 0.5 * (a + b) : (b - a) / ratio;
}

}  // namespace

ResponseCurve::ResponseCurve(std::vector<double> hz, std::vector<double> db,
                             std::vector<double> degrees)
    : hz_(std::move(hz)), db_(std::move(db)), degrees_(std::move(degrees)) {}

ResponseCurve ResponseCurve::parse(std::string_view text, const std::string& name) {
    std::vector<double> hz, db, degrees;
    Columns columns;
    bool header = false, anyPhase = true;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        throw ReadError{name + ":" + std::to_string(lineNumber) + ": " + what};
    };
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (text.find('\0') != std::string_view::npos)
        throw ReadError{name + ": not a text file (UTF-16 or binary); save it as UTF-8 or ASCII"};
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        line.remove_prefix(first);
        if (line.front() == '*' || line.front() == '#' || line.front() == '"' ||
            line.front() == ';')
            continue;
        const auto fields = splitFields(line);
        if (fields.empty()) continue;  // separators only
        double values[3] = {};
        const bool numeric = toNumber(fields[0], values[0]);
        if (!numeric) {
            if (hz.empty() && !header) {
                // A header names the columns; any other text before the data (a calibration
                // file's "Sens Factor" line without quotes, say) is skipped.
                if (const auto found = headerColumns(fields)) {
                    columns = *found;
                    header = true;
                }
                continue;
            }
            fail(quotedThen(fields[0], "is not a frequency"));
        }
        const std::size_t need = std::max(columns.hz, columns.db) + 1;
        if (fields.size() < need) fail("a row needs a frequency and a level in dB");
        if (!toNumber(fields[columns.hz], values[0]))
            fail(quotedThen(fields[columns.hz], "is not a frequency"));
        if (!toNumber(fields[columns.db], values[1]))
            fail(quotedThen(fields[columns.db], "is not a level in dB"));
        const bool phase = columns.phase && fields.size() > columns.degrees &&
                           toNumber(fields[columns.degrees], values[2]);
        if (!(values[0] > 0.0)) fail("frequencies must be above 0 Hz");
        if (!hz.empty() && !(values[0] > hz.back())) fail("frequencies must rise from row to row");
        if (std::fabs(values[1]) > 1000.0) fail("a level beyond 1000 dB");
        anyPhase = anyPhase && phase;
        hz.push_back(values[0]);
        db.push_back(values[1]);
        degrees.push_back(values[2]);
    }
    if (hz.size() < 2) throw ReadError{name + ": fewer than two rows of frequency and level"};
    if (!anyPhase) degrees.clear();
    return ResponseCurve(std::move(hz), std::move(db), std::move(degrees));
}

ResponseCurve ResponseCurve::read(const std::string& path) {
    const std::optional<std::string> text = files::WholeFile::read(path);
    if (!text) throw ReadError{path + ": cannot read the file"};
    return parse(*text, path);
}

std::string ResponseCurve::toRewText(const std::vector<std::string>& comments) const {
    std::string out;
    for (const auto& c : comments) out += "* " + c + "\n";
    out += "* Freq(Hz), SPL(dB), Phase(degrees)\n";
    char row[96];
    for (std::size_t i = 0; i < hz_.size(); ++i) {
        std::snprintf(row, sizeof row, "%.3f, %.4f, %.3f\n", hz_[i], db_[i] + 0.0,
                      degrees_.empty() ? 0.0 : degrees_[i] + 0.0);
        out += row;
    }
    return out;
}

double ResponseCurve::levelAt(double hz) const {
    if (hz <= hz_.front()) return db_.front();
    if (hz >= hz_.back()) return db_.back();
    const auto upper = std::upper_bound(hz_.begin(), hz_.end(), hz);
    const std::size_t i = static_cast<std::size_t>(upper - hz_.begin());
    const double t = std::log(hz / hz_[i - 1]) / std::log(hz_[i] / hz_[i - 1]);
    return db_[i - 1] + t * (db_[i] - db_[i - 1]);
}

std::vector<double> ResponseCurve::levelsAt(const std::vector<double>& hz) const {
    std::vector<double> out(hz.size());
    for (std::size_t i = 0; i < hz.size(); ++i) out[i] = levelAt(hz[i]);
    return out;
}

ResponseCurve ResponseCurve::minus(const ResponseCurve& other) const {
    std::vector<double> db = db_;
    for (std::size_t i = 0; i < db.size(); ++i) db[i] -= other.levelAt(hz_[i]);
    return ResponseCurve(hz_, std::move(db), degrees_);
}

ResponseCurve ResponseCurve::smoothed(int fraction) const {
    if (fraction <= 0) return *this;
    const double half = std::log(2.0) / (2.0 * fraction);
    std::vector<double> logs(hz_.size());
    for (std::size_t i = 0; i < hz_.size(); ++i) logs[i] = std::log(hz_[i]);
    // Power at log frequency x, the curve linear in dB between points.
    auto powerAt = [&](double x, std::size_t i) {
        const double t = (x - logs[i]) / (logs[i + 1] - logs[i]);
        return std::pow(10.0, (db_[i] + t * (db_[i + 1] - db_[i])) / 10.0);
    };
    std::vector<double> out(hz_.size());
    for (std::size_t p = 0; p < hz_.size(); ++p) {
        const double lo = std::max(logs[p] - half, logs.front());
        const double hi = std::min(logs[p] + half, logs.back());
        // Each piece of the band between points exactly: the power of a level linear in log
        // frequency is exponential, and its mean is the logarithmic mean of its ends.
        double area = 0.0;
        auto i =
            static_cast<std::size_t>(std::upper_bound(logs.begin(), logs.end(), lo) - logs.begin());
        i = i == 0 ? 0 : i - 1;
        for (; i + 1 < logs.size() && logs[i] < hi; ++i) {
            const double a = std::max(lo, logs[i]), b = std::min(hi, logs[i + 1]);
            if (b > a) area += logarithmicMean(powerAt(a, i), powerAt(b, i)) * (b - a);
        }
        out[p] = hi > lo ? 10.0 * std::log10(area / (hi - lo)) : db_[p];
    }
    return ResponseCurve(hz_, std::move(out), degrees_);
}

}  // namespace veltra::measure
