// The example INF must install exactly what the module itself registers and what the setup tool
// writes: every HKCR line is compared with the records DllRegisterServer puts in the registry,
// and every endpoint property and identifier with the module's and the setup's own constants.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "apo/ApoRegistrationRecords.h"
#include "apo/EndpointProperties.h"
#include "apo/ModuleEntryPoints.h"
#include "apo/platform/GuidText.h"
#include "apo/platform/MemoryRegistry.h"
#include "setup/Identifiers.h"

namespace veltra::apo {
namespace {

std::string narrow(const wchar_t* text) {
    return std::string(text, text + std::wcslen(text));
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\"");
    const auto last = text.find_last_not_of(" \t\r\"");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

struct Inf {
    std::map<std::string, std::string> strings;
    std::map<std::string, std::vector<std::string>> sections;  // lines, comments dropped

    explicit Inf(const std::string& path) {
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
    // %NAME% replaced by its string.
    std::string expand(std::string text) const {
        for (const auto& [name, value] : strings) {
            for (auto at = text.find('%' + name + '%'); at != std::string::npos;
                 at = text.find('%' + name + '%'))
                text.replace(at, name.size() + 2, value);
        }
        return text;
    }
};

// The comma-separated fields of a line, each with its %NAME%s replaced (after splitting: the
// property-key names hold commas of their own).
std::vector<std::string> fields(const Inf& inf, const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    for (char c : line + ",") {
        if (c == ',') {
            out.push_back(inf.expand(trim(field)));
            field.clear();
        } else {
            field += c;
        }
    }
    return out;
}

TEST(ExampleInf, InstallsWhatTheModuleRegistersAndAttachesWhatTheSetupWrites) {
    const Inf inf(VELTRA_SOURCE_DIR "/setup/VeltraDspApoExample.inf");
    // The setup's identifiers are the module's; the INF is then checked against both below.
    EXPECT_EQ(narrow(setup::ids::kSpeakerClass), guidToRegistryString(CLSID_VeltraDspSpkAPOMFX));
    EXPECT_EQ(narrow(setup::ids::kMicrophoneClass), guidToRegistryString(CLSID_VeltraDspMicAPOMFX));
    EXPECT_EQ(narrow(setup::ids::kDefaultMode),
              guidToRegistryString(AUDIO_SIGNALPROCESSINGMODE_DEFAULT));

    // Every HKCR value the INF writes, against the module's own registration (the server path
    // differs by design: the INF names the driver store).
    auto& registry = static_cast<MemoryRegistry&>(moduleRegistry());
    registry.clear();
    ASSERT_EQ(DllRegisterServer(), S_OK);
    std::size_t checked = 0;
    for (const std::string& line : inf.sections.at("VeltraDspApo.AddReg")) {
        const std::vector<std::string> f = fields(inf, line);
        ASSERT_GE(f.size(), 5u) << line;
        if (f[0] != "HKCR" || (f[1].ends_with("InprocServer32") && f[2].empty())) continue;
        SCOPED_TRACE(line);
        const auto value = registry.value(f[1], f[2]);
        ASSERT_TRUE(value.has_value());
        if (f[3] == "0x00010001") {
            EXPECT_EQ(*value, MemoryRegistry::Value{std::uint32_t(std::stoul(f[4], nullptr, 0))});
        } else {
            EXPECT_EQ(*value, MemoryRegistry::Value{f[4]});
        }
        ++checked;
    }
    EXPECT_EQ(checked, 28u);  // 2 x (class name, threading model, 12 processing-object values)
    DllUnregisterServer();

    // Both endpoints get their own class as the mode effect, streaming in the default mode.
    for (const auto& [section, clsid] :
         {std::pair{"VeltraDspApo.Speaker.AddReg", setup::ids::kSpeakerClass},
          std::pair{"VeltraDspApo.Microphone.AddReg", setup::ids::kMicrophoneClass}}) {
        std::map<std::string, std::string> fx;
        for (const std::string& line : inf.sections.at(section)) {
            const std::vector<std::string> f = fields(inf, line);
            fx[f[2]] = f[4];
        }
        EXPECT_EQ(fx.at(narrow(setup::ids::kModeEffect)), narrow(clsid));
        EXPECT_EQ(fx.at(narrow(setup::ids::kModeEffectModes)), narrow(setup::ids::kDefaultMode));
    }
}

}  // namespace
}  // namespace veltra::apo
