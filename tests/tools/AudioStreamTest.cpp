// Sound files written and read in pieces: round trips, no time stamp in the bytes, nothing left
// behind by a writer that did not finish, and refusals of files that cannot be trusted.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/Files.h"
#include "support/SameBits.h"
#include "support/Signals.h"
#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"

namespace veltra::tools {
namespace {

namespace fs = std::filesystem;

class AudioStream : public ::testing::Test {
  protected:
    std::string path(const char* name) const { return (dir_.path / name).string(); }
    // Written in three uneven pieces.
    void write(const std::string& to, const std::vector<float>& x, OutputFormat format) const {
        AudioWriter w(to, 2, 44100, format);
        const std::size_t frames = x.size() / 2;
        w.write(x.data(), 1000);
        w.write(x.data() + 2000, 1);
        w.write(x.data() + 2002, frames - 1001);
        w.commit();
    }
    static std::string bytes(const std::string& file) { return testing::fileBytes(file); }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.path))
            names.push_back(e.path().filename());
        return names;
    }

    testing::ScratchDirectory dir_{"veltra-stream"};
};

TEST_F(AudioStream, FloatRoundTripsBitForBitAndTheSameSamplesGiveTheSameBytes) {
    const auto x = testing::interleave(testing::tone(5000, 440, 1.5, 44100, 0.01f),
                                       testing::tone(5000, 70, 0.25, 44100));
    write(path("a.wav"), x, OutputFormat::Float);
    write(path("b.wav"), x, OutputFormat::Float);
    const std::string a = bytes(path("a.wav"));
    EXPECT_EQ(a, bytes(path("b.wav")));
    EXPECT_EQ(a.find("PEAK"), std::string::npos) << "no chunk with a time stamp";

    AudioReader r(path("a.wav"));
    EXPECT_EQ(r.channels(), 2);
    EXPECT_EQ(r.sampleRate(), 44100);
    ASSERT_EQ(r.frames(), 5000u);
    std::vector<float> back(x.size());
    std::size_t at = 0;
    while (const std::size_t n = r.read(back.data() + 2 * at, 777)) at += n;
    EXPECT_EQ(at, 5000u);
    EXPECT_TRUE(testing::sameBits(back, x)) << "above full scale too: float does not clip";

    // The same bytes from memory read the same.
    AudioReader m(a.data(), a.size(), "memory");
    std::vector<float> fromMemory(x.size());
    EXPECT_EQ(m.read(fromMemory.data(), 100000), 5000u);
    EXPECT_EQ(m.read(fromMemory.data(), 1), 0u);
    EXPECT_TRUE(testing::sameBits(fromMemory, x));
}

TEST_F(AudioStream, IntegerOutputClipsAtFullScale) {
    const std::vector<float> x = {2.0f, -2.0f, 0.5f, -0.5f};
    AudioWriter w(path("c.wav"), 2, 8000, OutputFormat::Pcm16);
    w.write(x.data(), 2);
    w.commit();
    AudioReader r(path("c.wav"));
    std::vector<float> back(4);
    ASSERT_EQ(r.read(back.data(), 2), 2u);
    EXPECT_NEAR(back[0], 32767.0 / 32768.0, 1e-9);
    EXPECT_EQ(back[1], -1.0f);
    EXPECT_EQ(back[2], 0.5f);
}

TEST_F(AudioStream, AnUnfinishedWriterLeavesNothingAndTheOldFileStands) {
    const std::vector<float> x(200, 0.25f);
    {
        AudioWriter w(path("keep.wav"), 2, 48000, OutputFormat::Float);
        w.write(x.data(), 100);
        w.commit();
    }
    const std::string before = bytes(path("keep.wav"));
    {
        AudioWriter w(path("keep.wav"), 2, 48000, OutputFormat::Pcm24);
        w.write(x.data(), 50);
        EXPECT_EQ(listing().size(), 2u) << "the temporary sits beside the output";
    }
    EXPECT_EQ(listing(), std::vector<std::string>{"keep.wav"});
    EXPECT_EQ(bytes(path("keep.wav")), before);
    EXPECT_THROW(AudioWriter(path("no/such/dir/x.wav"), 2, 48000, OutputFormat::Float), FileError);
}

TEST_F(AudioStream, FilesThatCannotBeTrustedAreRefusedWithTheirName) {
    const auto x = testing::interleave(testing::tone(4000, 440, 0.5), testing::tone(4000, 90, 0.5));
    write(path("whole.wav"), x, OutputFormat::Pcm16);
    const std::string whole = bytes(path("whole.wav"));
    const std::string cut = whole.substr(0, whole.size() / 2);
    try {
        AudioReader r(cut.data(), cut.size(), "cut.wav");
        std::vector<float> buffer(8000);
        while (r.read(buffer.data(), 4000) > 0) {
        }
        ADD_FAILURE() << "a cut file was read to its end";
    } catch (const FileError& e) {
        EXPECT_EQ(e.message.rfind("cut.wav: ", 0), 0u) << e.message;
        EXPECT_NE(e.message.find("truncated"), std::string::npos) << e.message;
    }
    const std::string junk = "RIFF not really a wave file at all";
    EXPECT_THROW(AudioReader(junk.data(), junk.size(), "junk"), FileError);
    EXPECT_THROW(AudioReader(path("missing.wav")), FileError);
}

}  // namespace
}  // namespace veltra::tools
