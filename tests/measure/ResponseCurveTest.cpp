// Reading the response files measurement tools write, interpolation, smoothing and calibration,
// against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "measure/ResponseCurve.h"

namespace veltra::measure {
namespace {

std::string errorOf(const std::string& text) {
    try {
        ResponseCurve::parse(text, "m.txt");
    } catch (const ResponseCurve::ReadError& e) {
        return e.message;
    }
    return "accepted";
}

TEST(ResponseCurve, ReadsRewAutoEqPlainAndCalibrationText) {
    const auto rew = ResponseCurve::parse(
        "* Measurement data measured by REW V5.20\r\n* Source: UMIK-1\r\n"
        "* Freq(Hz), SPL(dB), Phase(degrees)\r\n20.000, 70.125, 64.208\r\n"
        "20.5, 70.5, -12.5\r\n21, 71\r\n",
        "rew.txt");
    EXPECT_EQ(rew.hz(), (std::vector<double>{20, 20.5, 21}));
    EXPECT_EQ(rew.db(), (std::vector<double>{70.125, 70.5, 71}));
    EXPECT_TRUE(rew.degrees().empty());  // the last row has none, so phase is unknown

    const auto autoeq = ResponseCurve::parse(
        "frequency,raw,smoothed,error\n20.0,-3.5,-3.0,1\n20.4,-3.25,-3.1,1\n", "autoeq.csv");
    EXPECT_EQ(autoeq.db(), (std::vector<double>{-3.5, -3.25}));
    const auto reordered = ResponseCurve::parse("raw;frequency\n-1;100\n-2;200\n", "r.csv");
    EXPECT_EQ(reordered.hz(), (std::vector<double>{100, 200}));
    EXPECT_EQ(reordered.db(), (std::vector<double>{-1, -2}));

    const auto cal = ResponseCurve::parse(
        "\"Sens Factor =-.8dB, SERNO: 7000000\"\n# miniDSP\n10.054\t-4.6\t12\n"
        "1000 0 0\n20000\t+1.25\t-3\n",
        "cal.txt");
    EXPECT_EQ(cal.hz(), (std::vector<double>{10.054, 1000, 20000}));
    EXPECT_EQ(cal.db(), (std::vector<double>{-4.6, 0, 1.25}));
    EXPECT_EQ(cal.degrees(), (std::vector<double>{12, 0, -3}));
    const auto bom = ResponseCurve::parse(
        "\xEF\xBB\xBF"
        "100 1\n200 2\n",
        "bom.txt");
    EXPECT_EQ(bom.size(), 2u);
}

TEST(ResponseCurve, NamesTheLineOfWhatIsWrong) {
    EXPECT_EQ(errorOf("* x\n100, 1\n200, loud\n"), "m.txt:3: 'loud' is not a level in dB");
    EXPECT_EQ(errorOf("100 1\n100 2\n"), "m.txt:2: frequencies must rise from row to row");
    EXPECT_EQ(errorOf("100 1\n-5 2\n"), "m.txt:2: frequencies must be above 0 Hz");
    EXPECT_EQ(errorOf("100 1\n200\n"), "m.txt:2: a row needs a frequency and a level in dB");
    EXPECT_EQ(errorOf("100 1\n200 2\nthe end\n"), "m.txt:3: 'the' is not a frequency");
    EXPECT_EQ(errorOf("100 nan\n"), "m.txt:1: 'nan' is not a level in dB");
    // A line of separators alone is blank.
    EXPECT_EQ(errorOf("01-A\x06 \n,\n"), "m.txt: fewer than two rows of frequency and level");
    EXPECT_EQ(ResponseCurve::parse("100 1\n , ;\n200 2\n", "m.txt").size(), 2u);
    EXPECT_EQ(errorOf("* only comments\n100 1\n"),
              "m.txt: fewer than two rows of frequency and level");
    EXPECT_NE(errorOf(std::string("1\0000\0 \0001\0", 8)).find("not a text file"),
              std::string::npos);
    EXPECT_EQ(errorOf("100 1\n200 2\x01\xff\n"), "m.txt:2: '2?\?' is not a level in dB");
}

TEST(ResponseCurve, InterpolatesOnALogarithmicAxisAndClampsAtTheEnds) {
    const ResponseCurve c({100, 400}, {0, 6});
    EXPECT_NEAR(c.levelAt(200), 3.0, 1e-12);  // one octave of two
    EXPECT_NEAR(c.levelAt(100 * std::pow(4.0, 0.25)), 1.5, 1e-12);
    EXPECT_EQ(c.levelAt(50), 0.0);
    EXPECT_EQ(c.levelAt(1000), 6.0);
    // A calibration is subtracted at the curve's own frequencies.
    const ResponseCurve measured({100, 200, 400}, {10, 10, 10}, {5, 6, 7});
    const ResponseCurve less = measured.minus(c);
    EXPECT_NEAR(less.db()[1], 7.0, 1e-12);
    EXPECT_EQ(less.degrees(), measured.degrees());
}

TEST(ResponseCurve, SmoothsPowerOverAFractionOfAnOctave) {
    // A slope of k dB an octave, linear in log frequency: the mean power over +-h octaves is the
    // level at the centre times sinh(c h) / (c h), c = k ln 10 / 10 per octave.
    std::vector<double> hz, db;
    const double k = 12.0;
    for (int i = 0; i <= 480; ++i) {
        hz.push_back(20.0 * std::exp2(i / 48.0));
        db.push_back(k * i / 48.0);
    }
    const ResponseCurve slope(hz, db);
    const ResponseCurve third = slope.smoothed(3);
    const double h = 1.0 / 6.0, c = k * std::log(10.0) / 10.0;
    const double lift = 10 * std::log10(std::sinh(c * h) / (c * h));
    for (std::size_t i = 48; i + 48 < hz.size(); ++i)
        EXPECT_NEAR(third.db()[i] - db[i], lift, 1e-3);
    // A flat curve stays flat; no smoothing changes nothing.
    const ResponseCurve flat({100, 200, 300, 400}, {2, 2, 2, 2});
    const ResponseCurve smoothedFlat = flat.smoothed(1);
    for (double v : smoothedFlat.db()) EXPECT_NEAR(v, 2.0, 1e-12);
    EXPECT_EQ(slope.smoothed(0).db(), db);
}

TEST(ResponseCurve, WritesRewTextThatReadsBack) {
    const ResponseCurve c({20, 1000.5, 20000}, {-1.25, 0, 3.5}, {10, -20.5, 179});
    const std::string text = c.toRewText({"Measurement data measured by veltradsp", "Source: mic"});
    EXPECT_EQ(text.substr(0, 41), "* Measurement data measured by veltradsp\n");
    EXPECT_NE(text.find("* Freq(Hz), SPL(dB), Phase(degrees)\n20.000, -1.2500, 10.000\n"),
              std::string::npos);
    const auto back = ResponseCurve::parse(text, "back.txt");
    EXPECT_EQ(back.hz(), c.hz());
    EXPECT_EQ(back.db(), c.db());
    EXPECT_EQ(back.degrees(), c.degrees());
}

}  // namespace
}  // namespace veltra::measure
