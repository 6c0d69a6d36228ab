#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "pipewire/FilterChainConfig.h"
#include "pipewire/SessionFiles.h"
#include "pipewire/SinkList.h"
#include "support/Files.h"

namespace veltra::pipewire {
namespace {

namespace fs = std::filesystem;

// Every directory and file under root, with the files' contents.
std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root))
        all[fs::relative(e.path(), root).string()] =
            e.is_directory() ? "<dir>" : testing::fileBytes(e.path());
    return all;
}

// A configuration root that already holds a script of the user's own.
struct Root : testing::ScratchDirectory {
    Root() : ScratchDirectory("veltradsp-session") {
        fs::create_directories(path / "wireplumber" / "main.lua.d");
        std::ofstream(path / "wireplumber" / "main.lua.d" / "50-mine.lua") << "-- the user's own\n";
    }
};

// Attachments in both forms, in any order of detaching, leave the tree as it was: what an
// attachment made is removed by whichever goes last, what was there before stays.
TEST(SessionFiles, DetachLeavesTheTreeAsItWas) {
    const Root root;
    const auto before = tree(root.path);
    const SessionFiles files(root.path.string());
    for (int order = 0; order < 2; ++order) {
        files.attach("alsa_output.pci-0000_00_1f.3.analog-stereo", "{ }\n", "built-in",
                     SessionFiles::Form::WirePlumber04);
        files.attach("hdmi:1", "{ }\n", "/p/x.toml", SessionFiles::Form::WirePlumber05);
        files.attach("speakers", "{ }\n", "built-in", SessionFiles::Form::WirePlumber04);
        ASSERT_EQ(files.attachments().size(), 3u);
        EXPECT_TRUE(fs::exists(root.path / "wireplumber/scripts/veltradsp-hdmi_1.lua") == false);
        EXPECT_TRUE(
            fs::exists(root.path / "wireplumber/wireplumber.conf.d/90-veltradsp-hdmi_1.conf"));
        const char* sinks[] = {"speakers", "hdmi:1", "alsa_output.pci-0000_00_1f.3.analog-stereo"};
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(files.detach(sinks[order == 0 ? i : 2 - i]));
        EXPECT_FALSE(files.detach("speakers"));
        EXPECT_EQ(tree(root.path), before) << "order " << order;
    }
    // Attaching again replaces, it does not add.
    files.attach("speakers", "{ }\n", "a.toml", SessionFiles::Form::WirePlumber04);
    files.attach("speakers", "{ }\n", "b.toml", SessionFiles::Form::WirePlumber04);
    ASSERT_EQ(files.attachments().size(), 1u);
    EXPECT_EQ(files.attachments()[0].preset, "b.toml");
    EXPECT_TRUE(files.detach("speakers"));
    EXPECT_EQ(tree(root.path), before);
}

// The record of created directories is a file a user may edit: detach takes from it only
// directories on the root's own line, however the root was spelled.
TEST(SessionFiles, DetachRemovesOnlyDirectoriesOnTheRootsLine) {
    const Root root;
    const fs::path outside = root.path / "elsewhere";
    const fs::path nested = root.path / "config";  // not there yet: attach makes it
    fs::create_directories(outside / "empty");
    const SessionFiles files(nested.string() + "//");
    files.attach("speakers", "{ }\n", "built-in", SessionFiles::Form::WirePlumber04);
    const fs::path script = nested / "wireplumber/scripts/veltradsp-speakers.lua";
    std::string text = testing::fileBytes(script);
    const std::string marker = "-- veltradsp: created = ";
    const auto at = text.find(marker);
    ASSERT_NE(at, std::string::npos);
    const std::string bogus =
        (outside / "empty").string() + ":" + nested.string() + "/../elsewhere:";
    text.insert(at + marker.size(), bogus);
    std::ofstream(script) << text;
    EXPECT_TRUE(files.detach("speakers"));
    EXPECT_TRUE(fs::is_directory(outside / "empty"));
    EXPECT_FALSE(fs::exists(nested)) << "what attach made is still taken away";
}

// Records are read as input: a sink name attach could not have written, or one whose files
// would need a name longer than the file system allows, is passed over without an exception.
TEST(SessionFiles, OddRecordsAreSkipped) {
    const Root root;
    const fs::path scripts = root.path / "wireplumber/scripts";
    fs::create_directories(scripts);
    std::ofstream(scripts / "veltradsp-a.lua") << "-- veltradsp: sink = not a name!\n";
    std::ofstream(scripts / "veltradsp-b.lua")
        << "-- veltradsp: sink = " << std::string(250, 'x') << "\n";
    const SessionFiles files(root.path.string());
    std::vector<Attachment> found;
    ASSERT_NO_THROW(found = files.attachments());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].sink, std::string(250, 'x'));
    EXPECT_NO_THROW(files.detach(std::string(250, 'x')));
}

TEST(SessionFiles, RefusesAnUnwritableRootWithoutATrace) {
    const Root root;
    std::ofstream(root.path / "blocked") << "a file where a directory must go\n";
    const auto before = tree(root.path);
    try {
        SessionFiles((root.path / "blocked").string())
            .attach("speakers", "{ }\n", "built-in", SessionFiles::Form::WirePlumber04);
        FAIL() << "attach wrote under a file";
    } catch (const SessionError& e) {
        EXPECT_FALSE(e.denied);  // a file in the way, not a permission
        EXPECT_NE(e.message.find("blocked"), std::string::npos);
    }
    EXPECT_EQ(tree(root.path), before);
    EXPECT_FALSE(SessionFiles::validSinkName("a\"b"));
    EXPECT_FALSE(SessionFiles::validSinkName(""));
    EXPECT_TRUE(SessionFiles::validSinkName("alsa_output.usb-Foo:1-00.analog-stereo"));
}

// pw-dump's objects: sinks are the Audio/Sink nodes other than the VeltraDsp sink; a chain runs
// for a sink when its output stream targets it. The dump holds nodes of every kind, and two whose
// fields have an unexpected type.
TEST(SinkList, ReadsSinksAndRunningChains) {
    // The pipewire fuzz target's seed, after the byte that picks what the target reads.
    const std::string dump =
        testing::fileBytes(VELTRA_SOURCE_DIR "/tests/fuzz/corpus/pipewire/pw-dump").substr(1);
    const auto list = SinkList::parse(dump);
    ASSERT_TRUE(list.has_value());
    // Objects whose fields have an unexpected type are skipped, not thrown over.
    ASSERT_EQ(list->sinks().size(), 2u);
    EXPECT_FALSE(list->has("odd"));
    EXPECT_EQ(list->sinks()[0].description, "Laptop speakers");
    EXPECT_TRUE(list->has("hdmi"));
    EXPECT_FALSE(list->has("veltradsp_speaker"));
    EXPECT_FALSE(list->has("mic"));
    EXPECT_TRUE(list->running("speakers"));
    EXPECT_FALSE(list->running("hdmi"));
    EXPECT_FALSE(SinkList::parse("{ not json").has_value());
    EXPECT_FALSE(SinkList::parse("{}").has_value());
}

// The configuration shipped with the plugin is what the generator writes, byte for byte: a
// change of the generator cannot leave it behind.
TEST(FilterChainConfig, TheShippedConfigurationIsTheGeneratorsOwn) {
    const fs::path shipped = fs::path(VELTRA_SOURCE_DIR) / "lv2/pipewire/veltradsp-speaker.conf";
    const std::string generated = FilterChainConfig::shippedFile();
    if (testing::fileBytes(shipped) != generated) {
        std::ofstream(fs::path(::testing::TempDir()) / "veltradsp-speaker.conf") << generated;
        ADD_FAILURE() << shipped
                      << " differs from FilterChainConfig::shippedFile(); its text is in "
                      << ::testing::TempDir() << "veltradsp-speaker.conf";
    }
}

}  // namespace
}  // namespace veltra::pipewire
