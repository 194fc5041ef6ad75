// Which files a box takes from its folder, in which order, under which folder entries.
#include <sys/stat.h>

#include <filesystem>

#include "engine/BoxPath.h"
#include "engine/EngineFixture.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace vko::test {
namespace {

using ScanTest = EngineFixture;

std::vector<std::string> Names(const std::vector<StoredFile>& files) {
    std::vector<std::string> names;
    for (const auto& file : files) names.push_back(file.record.Name);
    return names;
}

// Version, "Box" with its length, the folder table "Docs\0" with its length, and an empty file
// table with its length.
TEST_F(ScanTest, EmptyFolderGivesOnlyItsOwnName) {
    fs::create_directories(root);
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs"));
    EXPECT_EQ(fs::file_size(box), 1u + 4 + 4 + 5 + 4);
    EXPECT_TRUE(ReadStored(box, kPassword).empty());
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
    std::vector<int32_t> folders;
    for (const auto& file : ReadStored(box, kPassword)) folders.push_back(file.record.FolderNumber);
    EXPECT_THAT(folders, ElementsAre(0, 0, 2, 2, 3));
}

TEST_F(ScanTest, SkipsHiddenAndSystemEntriesAndFollowsOnlyFileLinks) {
    MakeTree(root, {{"real.txt", "r"}, {".hidden", "h"}, {".git/config", "c"}, {"sub/.x", "x"}});
    MakeTree(dir / "outside", {{"secret.txt", "outside file"}, {"deep/y.txt", "y"}});
    ASSERT_EQ(mkfifo(Source("pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "outside/secret.txt", Source("link.txt"));
    fs::create_symlink(dir / "outside", Source("linkdir"));
    fs::create_symlink(dir / "missing", Source("dangling"));

    ASSERT_EQ(Create(), 1);
    const std::vector<StoredFile> stored = ReadStored(box, kPassword);
    EXPECT_THAT(Names(stored), ElementsAre("link.txt", "real.txt"));
    EXPECT_EQ(stored.at(0).bytes, "outside file");
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs"));
}

// A folder whose path repeats the boxed folder's path keeps that text in its entry.
TEST_F(ScanTest, BoxedFolderIsRemovedOnlyAsLeadingPrefix) {
    const std::string inner = "sub" + root + "/";
    MakeTree(root, {{inner + "f.txt", "f"}});
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs", BoxPath::ToBoxFolder(inner)));
}

// However the folder is written, its box names it after its real name and reads back.
TEST_F(ScanTest, FolderPathIsNormalisedBeforeItsNameIsTaken) {
    MakeTree(root, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    const std::string relative = fs::relative(root).string();
    for (const std::string& path :
         {root + "/", root + "//", root + "/.", root + "/./", root + "/sub/..", root + "/sub/../",
          relative + "/.", relative + "/sub/.."}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(engine.CreateBlock(box, "Box", kPassword, path, 0, 1), 1);
        ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
        EXPECT_EQ(engine.RootPath(), "Docs");
        EXPECT_THAT(engine.Directories(), ElementsAre("docs", "sub\\", ""));
        EXPECT_EQ(engine.Files().size(), 2u);
    }
}

TEST_F(ScanTest, BoxInsideTheFolderIsNotBoxedIntoItself) {
    MakeTree(root, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    box = Source("sub/box.vkx");
    ASSERT_EQ(Create(), 1);
    const std::string first = ReadFile(box);
    ASSERT_EQ(Create(), 1);
    EXPECT_EQ(ReadFile(box), first);
    EXPECT_THAT(Names(ReadStored(box, kPassword)), ElementsAre("a.txt", "b.txt"));
    EXPECT_THAT(Leftovers(root), ::testing::IsEmpty());
}

}  // namespace
}  // namespace vko::test
