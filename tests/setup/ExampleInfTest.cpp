// The example INF names the module's classes and attaches them as the setup tool does. What it
// installs under HKCR is compared value by value with what the real DLL registers, by the Wine
// host.
#include <gtest/gtest.h>

#include "apo/ApoRegistrationRecords.h"
#include "apo/EndpointProperties.h"
#include "apo/platform/GuidText.h"
#include "setup/Identifiers.h"
#include "support/InfFile.h"

namespace veltra::apo {
namespace {

std::string narrow(const wchar_t* text) {
    return std::string(text, text + std::wcslen(text));
}

TEST(ExampleInf, NamesTheModulesClassesAndAttachesThemAsTheSetupDoes) {
    const veltra::testing::InfFile inf(VELTRA_SOURCE_DIR "/setup/VeltraDspApoExample.inf");
    EXPECT_EQ(inf.strings.at("SPK_CLSID"), guidToRegistryString(CLSID_VeltraDspSpkAPOMFX));
    EXPECT_EQ(inf.strings.at("MIC_CLSID"), guidToRegistryString(CLSID_VeltraDspMicAPOMFX));
    EXPECT_EQ(inf.strings.at("SPK_IID"), guidToRegistryString(IID_IVeltraDspSpkAPOMFX));
    EXPECT_EQ(inf.strings.at("MIC_IID"), guidToRegistryString(IID_IVeltraDspMicAPOMFX));
    EXPECT_EQ(narrow(setup::ids::kSpeakerClass), guidToRegistryString(CLSID_VeltraDspSpkAPOMFX));
    EXPECT_EQ(narrow(setup::ids::kMicrophoneClass), guidToRegistryString(CLSID_VeltraDspMicAPOMFX));
    EXPECT_EQ(narrow(setup::ids::kDefaultMode),
              guidToRegistryString(AUDIO_SIGNALPROCESSINGMODE_DEFAULT));
    // Both endpoints get their own class as the mode effect, streaming in the default mode.
    for (const auto& [section, clsid] :
         {std::pair{"VeltraDspApo.Speaker.AddReg", setup::ids::kSpeakerClass},
          std::pair{"VeltraDspApo.Microphone.AddReg", setup::ids::kMicrophoneClass}}) {
        std::map<std::string, std::string> fx;
        for (const std::string& line : inf.sections.at(section)) {
            const std::vector<std::string> f = inf.fields(line);
            fx[f.at(2)] = f.at(4);
        }
        EXPECT_EQ(fx.at(narrow(setup::ids::kModeEffect)), narrow(clsid));
        EXPECT_EQ(fx.at(narrow(setup::ids::kModeEffectModes)), narrow(setup::ids::kDefaultMode));
    }
}

}  // namespace
}  // namespace veltra::apo
