#pragma once

#include <string>
#include <string_view>

namespace veltra::presets {

// Text files as Windows tools write them, into UTF-8: UTF-8 with or without a byte-order mark,
// UTF-16 in either byte order (with a mark, or recognised by its zero bytes), and anything that
// is not valid UTF-8 taken as Latin-1 (Windows-1252's letters where they differ). Messages that
// quote the result are valid UTF-8 whatever came in.
class TextDecoding {
  public:
    static std::string toUtf8(std::string_view raw);
    // Whether the bytes are valid UTF-8 throughout.
    static bool validUtf8(std::string_view text);
};

}  // namespace veltra::presets
