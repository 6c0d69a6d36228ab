#include <gtest/gtest.h>

#include "chain/PlaybackAudioProcessChainProvider.h"
#include "presets/PresetFile.h"
#include "presets/ValueCheck.h"
#include "support/Files.h"

namespace veltra::presets {
namespace {

// The built-in tuning written out, read back and read from the shipped default.toml gives the
// module's built-in blocks word for word (names, types, flags, every payload bit).
TEST(PresetFile, BuiltInListRoundTripsBitForBit) {
    const ParameterList list = PlaybackAudioProcessChainProvider::defaultList();
    const std::string shipped = testing::fileBytes(VELTRA_SOURCE_DIR "/presets/default.toml");
    ASSERT_FALSE(shipped.empty());
    for (const std::string& text : {PresetFile::write(Tuning::builtIn()), shipped}) {
        Tuning read;
        PresetProblems problems;
        ASSERT_TRUE(PresetFile::parse(text, defaultCheckRates(), read, problems))
            << describe("preset", problems.front());
        ASSERT_EQ(read.blocks().size(), list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(read.blocks()[i]->name, list[i]->name);
            EXPECT_EQ(read.blocks()[i]->effectType, list[i]->effectType);
            EXPECT_EQ(read.blocks()[i]->enabled, list[i]->enabled);
            EXPECT_EQ(read.blocks()[i]->payload, list[i]->payload) << list[i]->name;
        }
    }
    EXPECT_EQ(shipped, PresetFile::write(Tuning::builtIn()));
}

// What a preset leaves out keeps the built-in value; a bands array replaces all sixteen.
TEST(PresetFile, PartialPresetKeepsTheRest) {
    Tuning t;
    PresetProblems problems;
    ASSERT_TRUE(
        PresetFile::parse("format = 1\n[Headroom]\ngain_db = -3\n[PostEQ2]\n"
                          "bands = [ { type = \"low_shelf_2\", freq_hz = 90, gain_db = 4 } ]\n",
                          defaultCheckRates(), t, problems));
    const Tuning builtIn = Tuning::builtIn();
    for (const Parameter& p : allParameters()) {
        float want = builtIn.value(p);
        if (p.symbol() == "headroom_gain_db") want = -3.0f;
        if (p.stage == 5 && p.band == 0) {
            const float band[] = {90.0f, 4.0f, 0.70710677f, 17.0f};
            want = band[p.field->word];
        } else if (p.stage == 5 && p.band >= 0) {
            want = 0.0f;
        }
        EXPECT_EQ(t.value(p), want) << p.symbol();
    }
}

// Every problem is reported, in file order, at its line and column, saying what is allowed.
TEST(PresetFile, ReportsEveryProblemWhereItIs) {
    const std::string text =
        "format = 1\n"                                                                      // 1
        "[PreEQ]\n"                                                                         // 2
        "bands = [ { type = \"peak\", freq_hz = 23000.0, gain_db = 3.0, q = 0.0 },\n"       // 3
        "  { type = \"wobble\", freq_hz = 100.0 }, { type = \"peak\", gain_db = nan } ]\n"  // 4
        "[Limiter]\n"                                                                       // 5
        "attack_ms = 0\n"                                                                   // 6
        "colour = 'red'\n"                                                                  // 7
        "[Nope]\n";                                                                         // 8
    std::string seventeen = "format = 1\n[PostEQ]\nbands = [\n";
    for (int i = 0; i < 17; ++i) seventeen += "{ type = 'none' },\n";
    seventeen += "]\n";
    struct Want {
        int line, column;
        const char* says;
    };
    const Want wants[] = {
        {3, 38, "23000 Hz is at or above half of 44100 Hz; allowed: below 22050 Hz"},
        {3, 66, "q: 0 must be above 0; allowed: 0.01 to 100"},
        {4, 12, "unknown type 'wobble'; allowed: none, high_pass_1"},
        {4, 41, "no freq_hz"},
        {4, 68, "gain_db: not a finite number"},
        {6, 13, "attack_ms: 0 must be above 0; allowed: 0.1 ms to 20 ms"},
        {7, 1, "unknown key 'colour'; allowed: enabled, pass_through"},
        {8, 2, "unknown stage 'Nope'; allowed: Headroom, PreEQ"},
    };
    Tuning t;
    PresetProblems problems;
    EXPECT_FALSE(PresetFile::parse(text, defaultCheckRates(), t, problems));
    ASSERT_EQ(problems.size(), std::size(wants)) << describe("x", problems.back());
    for (std::size_t i = 0; i < problems.size(); ++i) {
        EXPECT_EQ(problems[i].line, wants[i].line) << problems[i].message;
        EXPECT_EQ(problems[i].column, wants[i].column) << problems[i].message;
        EXPECT_NE(problems[i].message.find(wants[i].says), std::string::npos)
            << problems[i].message;
    }
    problems.clear();
    EXPECT_FALSE(PresetFile::parse(seventeen, defaultCheckRates(), t, problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 20);
    EXPECT_NE(problems[0].message.find("17 bands; allowed: at most 16"), std::string::npos);
    // A rate given replaces the common ones; no format, or broken TOML, is a problem too.
    problems.clear();
    EXPECT_TRUE(
        PresetFile::parse("format = 1\n[PreEQ]\nbands = [{ type = 'peak', freq_hz = 23000.0 }]\n",
                          {96000}, t, problems));
    EXPECT_FALSE(PresetFile::parse("[Headroom]\ngain_db = 1\n", {48000}, t, problems));
    EXPECT_FALSE(PresetFile::parse("format = 1\n[Headroom\n", {48000}, t, problems));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1].line, 2);
}

// The text is refused with exactly one problem, on a line in [first, last], saying `phrase`.
void expectOneProblem(const char* text, int first, int last, const std::string& phrase) {
    Tuning t;
    PresetProblems problems;
    EXPECT_FALSE(PresetFile::parse(text, defaultCheckRates(), t, problems)) << text;
    ASSERT_EQ(problems.size(), 1u) << text;
    EXPECT_GE(problems[0].line, first) << text;
    EXPECT_LE(problems[0].line, last) << text;
    EXPECT_NE(problems[0].message.find(phrase), std::string::npos) << text;
}

// Accented letters where whitespace may stand are refused with a position, not misread; in
// comments they are simply comments. (The sanitizer build would stop on undefined behaviour in
// the TOML library here.)
TEST(PresetFile, NonAsciiTextIsRefusedWhereItCannotStandAndIgnoredInComments) {
    Tuning t;
    PresetProblems problems;
    EXPECT_TRUE(PresetFile::parse("# réglage, ﻼ\nformat = 1\n", defaultCheckRates(), t, problems));
    for (const char* text :
         {"é = 1\n", "format = 1 é\n", "format = 1\n[PreEQ]\n\xEF\xBB\xBC = 2\n", "format = 1\nÀ\n",
          "\xEF\xB1\xBF\n", "ぁ = 1\n", "format = 1\n\xE2\xB1\x9E\n"})
        expectOneProblem(text, 1, 3, "not valid TOML");
}

// A format that is not the integer 1 is refused where it stands, whatever number it is.
TEST(PresetFile, FormatMustBeTheIntegerOne) {
    for (const char* text :
         {"format = 4444444444444444444444444444444444444444444444444444444.0\n", "format = 1.0\n",
          "format = 2\n", "format = 'one'\n", "format = inf\n"})
        expectOneProblem(text, 1, 1, "allowed: format = 1");
}

}  // namespace
}  // namespace veltra::presets
