// toml++'s compiled part, in a translation unit of its own rather than inline in every file that
// reads or writes a preset: the library is then compiled once, and a build can give it options
// of its own (the fuzzing build traces comparisons in our code only).
#define TOML_IMPLEMENTATION 1
#include <toml++/toml.h>
