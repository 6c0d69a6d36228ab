#pragma once

#include <cstdio>
#include <string>

namespace veltra::tools {

// printf's formatting into a string, for reports and messages of up to a line or two.
template <class... Values>
std::string printed(const char* pattern, Values... values) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

}  // namespace veltra::tools
