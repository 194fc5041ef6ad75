#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "engine/BoxPath.h"
#include "engine/CreateFixture.h"
#include "util/Failure.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace vko::test {
namespace {

class ScanTest : public CreateFixture {
protected:
    std::vector<std::string> Names(const DecodedBox& decoded) {
        std::vector<std::string> names;
        for (const auto& record : decoded.records) names.push_back(record.name);
        return names;
    }
};

TEST_F(ScanTest, EmptyFolderGivesOnlyItsOwnName) {
    fs::create_directories(root);
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs"));
    const DecodedBox decoded = Decode();
    EXPECT_EQ(decoded.folderTableLength, 5);
    EXPECT_EQ(decoded.fileTableLength, 0);
    EXPECT_EQ(decoded.dataArea, 0);
}

// Files of a folder come first, then its sub-folders in name-byte order, depth first. Only
// folders that hold a file are listed, in lower case; file names keep their case.
TEST_F(ScanTest, OrderAndFolderTable) {
    MakeTree(root, {{"top.txt", "t"},
                    {"Sub/x.bin", "x"},
                    {"A/B/File.TXT", "f"},
                    {"A/B/a.txt", "a"},
                    {"b.txt", "b"}});
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(
        events.Named("AddingToBlock"),
        ElementsAre("AddingToBlock " + Source("b.txt"), "AddingToBlock " + Source("top.txt"),
                    "AddingToBlock " + Source("A/B/File.TXT"),
                    "AddingToBlock " + Source("A/B/a.txt"),
                    "AddingToBlock " + Source("Sub/x.bin")));
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs", "a\\b\\", "sub\\"));
    const DecodedBox decoded = Decode();
    EXPECT_THAT(decoded.folders, ElementsAre("Docs", "a\\b\\", "sub\\"));
    ASSERT_EQ(decoded.records.size(), 5u);
    EXPECT_EQ(decoded.records[0].folder, 0);
    EXPECT_EQ(decoded.records[2].folder, 2);
    EXPECT_EQ(decoded.records[2].name, "File.TXT");
    EXPECT_EQ(decoded.records[4].folder, 3);
}

TEST_F(ScanTest, PatternsSelectFilesAndAFileMatchingTwoIsListedTwice) {
    MakeTree(root, {{"a.txt", "a"}, {"b.log", "b"}, {"noext", "n"}, {"sub/c.txt", "c"}});
    EXPECT_THAT(engine.GetAllFiles(root, "*.txt;a*", false),
                ElementsAre(Source("a.txt"), Source("a.txt")));
    EXPECT_THAT(engine.GetAllFiles(root, "?.*;*.txt", true),
                ElementsAre(Source("a.txt"), Source("b.log"), Source("a.txt"), Source("sub/c.txt"),
                            Source("sub/c.txt")));
    EXPECT_EQ(engine.GetAllFiles(root, "*.*", false).size(), 3u);
}

TEST_F(ScanTest, SkipsHiddenAndSystemEntriesAndFollowsOnlyFileLinks) {
    MakeTree(root, {{"real.txt", "r"}, {".hidden", "h"}, {".git/config", "c"}, {"sub/.x", "x"}});
    MakeTree(dir / "outside", {{"secret.txt", "outside file"}, {"deep/y.txt", "y"}});
    ASSERT_EQ(mkfifo(Source("pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "outside/secret.txt", Source("link.txt"));
    fs::create_symlink(dir / "outside", Source("linkdir"));
    fs::create_symlink(dir / "missing", Source("dangling"));

    ASSERT_EQ(Create(), 1);
    const DecodedBox decoded = Decode();
    EXPECT_THAT(Names(decoded), ElementsAre("link.txt", "real.txt"));
    EXPECT_EQ(decoded.records[0].contents, "outside file");
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs"));
}

TEST_F(ScanTest, CancelDuringScanKeepsTheOldBox) {
    MakeTree(root, {{"a.txt", "a"}, {"b.txt", "b"}, {"sub/c.txt", "c"}});
    WriteFile(box, "old box");
    host.CancelAtPoll(2);
    EXPECT_EQ(Create(), 0);
    EXPECT_EQ(ReadFile(box), "old box");
    EXPECT_THAT(Leftovers(dir.Str()), IsEmpty());
    EXPECT_THAT(events.lines, ElementsAre("AddingToBlock " + Source("a.txt"),
                                          "AddingToBlock " + Source("b.txt"), "CreatingBlock"));
}

// A folder whose path repeats the boxed folder's path keeps that text in its entry.
TEST_F(ScanTest, BoxedFolderIsRemovedOnlyAsLeadingPrefix) {
    const std::string inner = "sub" + root + "/";
    MakeTree(root, {{inner + "f.txt", "f"}});
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs", BoxPath::ToBoxFolder(inner)));
    EXPECT_EQ(Decode().records.at(0).folder, 2);
}

TEST_F(ScanTest, BoxInsideTheFolderIsNotBoxedIntoItself) {
    MakeTree(root, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    box = Source("sub/box.vkx");
    ASSERT_EQ(Create(), 1);
    const std::string first = ReadFile(box);
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(ReadFile(box), first);
    EXPECT_THAT(Names(Decode()), ElementsAre("a.txt", "b.txt"));
    EXPECT_THAT(Leftovers(root), IsEmpty());
}

TEST_F(ScanTest, AddDirAndGetPathNumber) {
    MakeTree(root, {{"sub/a.txt", "a"}});
    ASSERT_EQ(Create(), 1);
    engine.AddDir(Source("New/"));
    engine.AddDir(Source("New/"));
    engine.AddDir(root + "/");
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs", "sub\\", "new\\"));
    EXPECT_EQ(engine.GetPathNumber(Source("NEW/")), 3);
    EXPECT_EQ(engine.GetPathNumber(root + "/"), 0);
    engine.AddDir(root + "/", true);
    engine.AddDir(root + "/", true);
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs", "sub\\", "new\\", ""));
}

TEST_F(ScanTest, CreateAllFoldersMakesEveryMissingFolderButTheLastPart) {
    CCipherBlock::CreateAllFolders(dir / "x/y/z/file.txt");
    EXPECT_TRUE(fs::is_directory(dir / "x/y/z"));
    EXPECT_FALSE(fs::exists(dir / "x/y/z/file.txt"));

    WriteFile(dir / "plain", "a file in the way");
    try {
        CCipherBlock::CreateAllFolders(dir / "plain/sub/");
        FAIL() << "a file in the way must fail";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.Description(), ::testing::HasSubstr(dir / "plain/sub"));
    }
}

}  // namespace
}  // namespace vko::test
