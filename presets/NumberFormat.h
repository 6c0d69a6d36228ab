#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltra::presets {

// How one file writes its numbers, decided once from all of them: a decimal point or comma, and
// thousands grouped by the other mark, a space or a no-break space (REW writes the user's
// locale: "20,0", "1.275,5", "1 275"). A number that alone could be read two ways ("8.000") is
// read as the rest of the file decides; a file that decides nothing, or both ways, is refused
// at the line that shows it.
class NumberFormat {
  public:
    // Every number of the file, as written (spaces of a group included), before any is read.
    // A value that cannot reach a thousand (a gain, a Q) reads "6.000" as six: only a frequency
    // leaves it in doubt.
    void observe(std::string_view text, int line, bool thousandsPossible);
    // The line and reason when the file's numbers cannot be read without doubt.
    std::optional<std::pair<int, std::string>> problem() const;
    // A number as this file writes it; none if it is not one.
    std::optional<double> read(std::string_view text) const;

  private:
    char decimal_ = 0;  // '.' or ',' once a number shows it
    int decimalLine_ = 0;
    char otherDecimal_ = 0;  // a second decimal mark seen: the file is inconsistent
    int otherLine_ = 0;
    char grouping_ = 0;  // a mark seen grouping thousands
    int groupingLine_ = 0;
    int ambiguousLine_ = 0;  // the first number that alone reads two ways
    std::string ambiguous_;
};

}  // namespace veltra::presets
