#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltra::measure {

// A frequency response as measurement and target files hold it: frequency, level in dB and,
// where known, phase in degrees, at rising frequencies.
class ResponseCurve {
  public:
    struct ReadError {
        std::string message;  // "file:line: what is wrong"
    };

    ResponseCurve() = default;
    ResponseCurve(std::vector<double> hz, std::vector<double> db, std::vector<double> degrees = {});

    // Reads REW's measurement text (`*` comments, "freq, dB, phase" rows), AutoEq's CSV (a header
    // with `frequency` and `raw`, `spl` or `gain` columns) and plain "frequency dB [phase]" text
    // (`#` comments, a quoted first line such as a calibration file's "Sens Factor" line).
    // Commas, semicolons, tabs and spaces separate; a decimal point is expected. Throws ReadError
    // naming `name` and the line.
    static ResponseCurve parse(std::string_view text, const std::string& name);
    static ResponseCurve read(const std::string& path);

    // REW's measurement text: each comment line prefixed with "* ", the column line, then rows.
    std::string toRewText(const std::vector<std::string>& comments) const;

    bool empty() const { return hz_.empty(); }
    std::size_t size() const { return hz_.size(); }
    const std::vector<double>& hz() const { return hz_; }
    const std::vector<double>& db() const { return db_; }
    const std::vector<double>& degrees() const { return degrees_; }  // empty when unknown
    double lowest() const { return hz_.front(); }
    double highest() const { return hz_.back(); }

    // The level at `hz`, linear in log frequency between points; outside the curve, the nearest
    // end's level.
    double levelAt(double hz) const;
    std::vector<double> levelsAt(const std::vector<double>& hz) const;
    // This curve less another's level at each of its frequencies (a calibration removed); the
    // phase is kept.
    ResponseCurve minus(const ResponseCurve& other) const;
    // Smoothed over 1/`fraction` octave around each point: the mean power over that band on a
    // logarithmic frequency axis, the curve taken as linear in dB between its points. Phase is
    // kept as it is. A fraction of 0 returns the curve unchanged.
    ResponseCurve smoothed(int fraction) const;

  private:
    std::vector<double> hz_, db_, degrees_;
};

}  // namespace veltra::measure
