#pragma once

#include <string>

namespace veltra::presets {

// A value as text, everywhere the tools, the docs and the plugin's description print one: the
// shortest plain decimal that reads back to the same float ("0.01", not "0.00999999978"; "100000",
// not "1e+05").
struct NumberText {
    static std::string shortest(float value);
    // The same as a float literal of TOML, SPA-JSON or Turtle: a whole number gains ".0".
    static std::string floatLiteral(float value);
};

}  // namespace veltra::presets
