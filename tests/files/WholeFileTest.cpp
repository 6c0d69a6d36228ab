#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/WholeFile.h"
#include "support/Files.h"

namespace veltra::files {
namespace {

namespace fs = std::filesystem;

struct Scratch : testing::ScratchDirectory {
    Scratch() : ScratchDirectory("wholefile") {}
    std::string at(const std::string& name) const { return (path / name).string(); }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), {}));
    }
};

TEST(WholeFile, ReadsEveryByteAndTellsAMissingFileOrAFolderFromAnEmptyFile) {
    Scratch s;
    const std::string bytes("a\0b\r\n\xff", 6);
    std::ofstream(s.at("bytes"), std::ios::binary) << bytes;
    std::ofstream(s.at("empty"), std::ios::binary).close();
    EXPECT_EQ(WholeFile::read(s.at("bytes")), bytes);
    EXPECT_EQ(WholeFile::read(s.at("empty")), std::string());
    EXPECT_EQ(WholeFile::read(s.at("missing")), std::nullopt);
    EXPECT_EQ(WholeFile::read(s.path.string()), std::nullopt);
}

TEST(WholeFile, ReplacesAFileWholeAndLeavesNothingWhenItCannot) {
    Scratch s;
    const std::string big(200000, 'x');  // more than one read block
    EXPECT_FALSE(WholeFile::write(s.at("out"), "old"));
    EXPECT_FALSE(WholeFile::write(s.at("out"), big));
    EXPECT_EQ(WholeFile::read(s.at("out")), big);
    EXPECT_EQ(s.entries(), 1u);  // no temporary beside it

    EXPECT_TRUE(WholeFile::write(s.at("no/such/folder/out"), "text"));
    fs::create_directory(s.at("folder"));
    EXPECT_TRUE(WholeFile::write(s.at("folder"), "text"));  // a folder is not replaced
    EXPECT_TRUE(fs::is_directory(s.at("folder")));
    EXPECT_EQ(s.entries(), 2u);
}

}  // namespace
}  // namespace veltra::files
