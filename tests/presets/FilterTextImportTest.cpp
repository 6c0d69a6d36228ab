// The import against the Audio EQ Cookbook, written out here from its published formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "effects/eq/EqFilterBank.h"
#include "presets/FilterTextImport.h"
#include "presets/PresetFile.h"
#include "support/Cookbook.h"
#include "support/Files.h"
#include "support/Signals.h"
#include "support/StageResponse.h"

namespace veltra::presets {
namespace {

using testing::Cookbook;
using testing::cookbookDb;

using testing::stageDb;

// What tests/presets/data/autoeq.txt and rew.txt describe: AutoEq's lines, and REW's with its
// header, CRLF line ends and the types AutoEq does not write.
const std::vector<Cookbook> kAutoEqFilters = {{"GAIN", 0, -6.2, 0},     {"LS", 105, 5.5, 0.7},
                                              {"PK", 2180, -3.1, 1.41}, {"PK", 5300, 4.2, 3.0},
                                              {"PK", 38, 12.0, 0.9},    {"HS", 10000, -4.0, 0.7},
                                              {"HS", 15000, 6.0, 0.5},  {"PK", 7400, -16.8, 5.2}};
const std::vector<Cookbook> kRewFilters = {
    {"PK", 63, -6, 4},    {"LS", 120, 3, M_SQRT1_2},     {"HP", 30, 0, 0.6},
    {"NO", 3150, 0, 8},   {"LP", 16000, 0, 0.8},         {"AP", 500, 0, 0.7},
    {"BP", 1000, 0, 0.5}, {"HS", 6000, -2.5, M_SQRT1_2}, {"HP", 20, 0, M_SQRT1_2}};

double worstDeviation(const Tuning& t, int stage, const std::vector<Cookbook>& filters, int rate) {
    double worst = 0;
    const int points = int(std::log(0.45 * rate / 20) / std::log(1.005));
    for (int i = 0; i <= points; ++i) {
        const double hz = 20 * std::pow(1.005, i);
        double want = 0;
        for (const Cookbook& c : filters) want += cookbookDb(c, hz, rate);
        worst = std::max(worst, std::fabs(stageDb(t, stage, hz, rate) - want));
    }
    return worst;
}

// At the import rate the stage is the cookbook's response within 0.01 dB from 20 Hz to 0.45 of
// the rate; at the other common rate the shelves' moved corners drift a little (documented).
TEST(FilterTextImport, MatchesTheCookbookAtTheImportRate) {
    struct Case {
        const char* file;
        const std::vector<Cookbook>* filters;
        int stage;
    };
    for (const Case& c :
         {Case{"autoeq.txt", &kAutoEqFilters, 1}, Case{"rew.txt", &kRewFilters, 5}}) {
        const std::string text =
            testing::fileBytes(VELTRA_SOURCE_DIR "/tests/presets/data/" + std::string(c.file));
        for (int rate : {48000, 44100}) {
            Tuning t = Tuning::builtIn();
            PresetProblems problems;
            ASSERT_TRUE(FilterTextImport::apply(text, c.stage, rate, t, problems))
                << describe("filters", problems.front());
            EXPECT_EQ(t.bandCount(c.stage), int(c.filters->size()));
            const double exact = worstDeviation(t, c.stage, *c.filters, rate);
            EXPECT_LT(exact, 0.01) << rate;
            const int other = rate == 48000 ? 44100 : 48000;
            const double drift = worstDeviation(t, c.stage, *c.filters, other);
            std::printf("imported at %d Hz: %.4f dB off there, %.3f dB at %d Hz\n", rate, exact,
                        drift, other);
            EXPECT_LT(drift, 0.15) << other;
        }
    }
}

// What cannot be represented is refused by line, and the tuning is left as it was.
TEST(FilterTextImport, RefusesWhatItCannotRepresent) {
    std::string many = "Preamp: -1 dB\n";
    for (int i = 1; i <= 16; ++i)
        many += "Filter " + std::to_string(i) + ": ON PK Fc " + std::to_string(100 * i) +
                " Hz Gain 1 dB Q 1\n";
    struct Case {
        std::string text;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {many, 17, "17 sections with the preamp; allowed: at most 16"},
        {"x\nFilter 1: ON L-T Fc 40 Hz Q 0.9 Fp 30 Qp 0.5\n", 2, "L-T from 40 Hz to 30 Hz cannot"},
        {"Filter 1: ON XY Fc 100 Hz\n", 1, "unknown filter type 'XY'"},
        {"\n\nFilter 3: ON PK Fc 24000 Hz Gain 1 dB Q 1\n", 3, "at or above half of 48000 Hz"},
        {"Filter 1: ON PK Fc 100 Hz Q 1\n", 1, "PK needs a gain"},
        {"Filter 1: ON PK Fc 100 Hz Gain 40 dB Q 50\n", 1, "converted q"},
        {"Preamp: loud\n", 1, "expected 'Preamp: <gain> dB'"},
    };
    for (const Case& c : cases) {
        Tuning t = Tuning::builtIn();
        PresetProblems problems;
        EXPECT_FALSE(FilterTextImport::apply(c.text, 1, 48000, t, problems));
        ASSERT_FALSE(problems.empty()) << c.says;
        EXPECT_EQ(problems[0].line, c.line) << c.says;
        EXPECT_NE(problems[0].message.find(c.says), std::string::npos) << problems[0].message;
        EXPECT_TRUE(t == Tuning::builtIn());
    }
}

// Sections at the edge of a range stay inside it after the fit: the import's output is always a
// preset that passes its own checks.
TEST(FilterTextImport, SectionsAtTheEdgeOfARangeStayValid) {
    for (const char* text : {"Filter 1: ON HPQ Fc 1 Hz Q 0.7\n", "Filter 1: ON LPQ Fc 1 Hz Q 0.7\n",
                             "Filter 1: ON PK Fc 1 Hz Gain 3 dB Q 0.01\n"}) {
        for (int rate : {44100, 48000}) {
            Tuning t = Tuning::builtIn();
            PresetProblems problems;
            ASSERT_TRUE(FilterTextImport::apply(text, stageIndex("PostEQ2"), rate, t, problems))
                << text;
            Tuning back;
            EXPECT_TRUE(PresetFile::parse(PresetFile::write(t), {rate}, back, problems))
                << text << rate << (problems.empty() ? "" : problems[0].message);
        }
    }
}

}  // namespace
}  // namespace veltra::presets
