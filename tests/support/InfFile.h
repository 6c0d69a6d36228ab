#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace veltra::testing {

// The example INF as Windows Setup reads it: sections of lines without comments, %NAME%
// replaced from [Strings], fields split at commas before the replacement (the property-key names
// in [Strings] hold commas of their own).
struct InfFile {
    std::map<std::string, std::string> strings;
    std::map<std::string, std::vector<std::string>> sections;

    static std::string trim(const std::string& text) {
        const auto first = text.find_first_not_of(" \t\r\"");
        const auto last = text.find_last_not_of(" \t\r\"");
        return first == std::string::npos ? "" : text.substr(first, last - first + 1);
    }

    explicit InfFile(const std::string& path) {
        std::ifstream in(path);
        std::string line, section;
        while (std::getline(in, line)) {
            line = trim(line.substr(0, line.find(';')));  // no quoted text here holds a ';'
            if (line.empty()) continue;
            if (line.front() == '[' && line.back() == ']') {
                section = line.substr(1, line.size() - 2);
                continue;
            }
            sections[section].push_back(line);
            const auto equals = line.find('=');
            if (section == "Strings" && equals != std::string::npos)
                strings[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
        }
    }

    std::vector<std::string> fields(const std::string& line) const {
        std::vector<std::string> out;
        std::string field;
        for (char c : line + ",") {
            if (c != ',') {
                field += c;
                continue;
            }
            std::string text = trim(field);
            for (const auto& [name, value] : strings)
                for (auto at = text.find('%' + name + '%'); at != std::string::npos;
                     at = text.find('%' + name + '%'))
                    text.replace(at, name.size() + 2, value);
            out.push_back(text);
            field.clear();
        }
        return out;
    }
};

}  // namespace veltra::testing
