#include "tools/ExitCodes.h"

#include <cstdio>

namespace veltra::tools {

const char* ExitCodes::meaning(Exit e) {
    switch (e) {
        case Exit::kDone:
            return "done";
        case Exit::kNotIntact:
            return "an attached device is present but its VeltraDsp sink is not running";
        case Exit::kFile:
            return "a file cannot be read or written (nothing was left half-written)";
        case Exit::kUnknownSink:
            return "no output sink of that name, or it is not attached";
        case Exit::kNotWritable:
            return "the configuration directory cannot be written; nothing was changed";
        case Exit::kSystem:
            return "PipeWire cannot be reached (nothing was changed), or another system error";
        case Exit::kUsage:
            return "the command line is wrong";
        case Exit::kBadData:
            return "the input is not valid (it says where); nothing was written";
    }
    return "";
}

std::string ExitCodes::help(std::initializer_list<std::pair<Exit, const char*>> statuses) {
    std::string out = "Exit codes:\n";
    for (const auto& [status, text] : statuses) {
        char code[16];
        std::snprintf(code, sizeof code, "  %-4d", codeOf(status));
        out.append(code).append(text != nullptr ? text : meaning(status)).append("\n");
    }
    return out;
}

std::string ExitCodes::forFiles(const char* invalidInput) {
    return help({{Exit::kDone, nullptr},
                 {Exit::kFile, nullptr},
                 {Exit::kUsage, nullptr},
                 {Exit::kBadData, invalidInput}});
}

}  // namespace veltra::tools
