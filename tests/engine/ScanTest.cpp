// Which files a box takes from its folder and under which folder entries; limits a folder can
// exceed, checked after the scan and before anything is written, with a message naming the
// offending path.
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "engine/BoxPath.h"
#include "engine/CreatePlan.h"
#include "engine/EngineFixture.h"
#include "engine/FolderTable.h"
#include "util/Failure.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace vko::test {
namespace {

using ScanTest = EngineFixture;

std::vector<std::string> Names(const std::vector<StoredFile>& files) {
    std::vector<std::string> names;
    for (const auto& file : files) names.push_back(file.record.Name);
    return names;
}

// (Which files come first and how folder entries are written: the pinned boxes in FormatTest
// and the round trips.)
TEST_F(ScanTest, EmptyFolderGivesAnEmptyBox) {
    std::filesystem::create_directories(root);
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(engine.Directories(), ElementsAre("Docs"));
    EXPECT_TRUE(ReadStored(box, kPassword).empty());
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

class CreateLimitsTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        box = dir / "new/deeper/box.vkx";
    }
};

void Sparse(const std::string& path, int64_t size) {
    WriteFile(path, "");
    fs::resize_file(path, static_cast<uintmax_t>(size));
}

struct Limit {
    const char* label;
    Tree tree;
    std::vector<std::string> mentions;  // relative to the source folder; "" = the folder itself
    std::string text;                   // a further piece of the message
    std::string boxName = "Box";        // the box's path is named when mentions is empty
    int16_t compression = 0;
    std::function<void(const std::string& root)> prepare = nullptr;
};

TEST_F(CreateLimitsTest, RefusedBeforeAnythingIsWritten) {
    const std::string longName(250, 'n');
    const std::string compressedName(246, 'c');
    const int64_t twoGiB = int64_t{1} << 31;
    const auto sparse = [](std::vector<std::pair<const char*, int64_t>> files) {
        return [files](const std::string& r) {
            for (const auto& [name, size] : files) Sparse(r + "/" + name, size);
        };
    };
    // clang-format off
    const Limit limits[] = {
        {"box name", {{"a.txt", "a"}}, {}, "256 bytes", std::string(256, 'b')},
        {"file name", {{longName, "a"}}, {longName}, "249"},
        {"compressed file name", {{compressedName, "a"}}, {compressedName}, "245", "Box", 1},
        {"backslash in file name", {{"a\\b.txt", "a"}}, {"a\\b.txt"}, ""},
        {"backslash in folder name", {{"x\\y/f.txt", "f"}}, {"x\\y/"}, ""},
        {"drive-like file name", {{"c:notes.txt", "n"}}, {"c:notes.txt"}, ""},
        {"names meet in lower case", {{"Sub/x.txt", "1"}, {"sub/x.txt", "2"}},
         {"Sub/x.txt", "sub/x.txt"}, "lower case"},
        {"file meets a folder", {{"sub", "file"}, {"SUB/x.txt", "2"}}, {"sub"}, "lower case"},
        {"2 GiB file", {}, {"big"}, CreatePlan::kTooLargeAdvice, "Box", 0,
         sparse({{"big", twoGiB}})},
        {"total above 2 GiB", {}, {""}, CreatePlan::kTooLargeText, "Box", 0,
         sparse({{"one", twoGiB / 4 * 3}, {"two", twoGiB / 4 * 3}})},
        {"compression level", {{"a.txt", "a"}}, {}, "Compression level 2", "Box", 2},
        {"missing folder", {}, {""}, "", "Box", 0, [](const std::string& r) { fs::remove(r); }},
    };
    // clang-format on
    for (const Limit& limit : limits) {
        SCOPED_TRACE(limit.label);
        fs::remove_all(root);
        MakeTree(root, limit.tree);
        fs::create_directories(root);
        if (limit.prepare) limit.prepare(root);
        try {
            (void)engine.CreateBlock(box, limit.boxName, kPassword, root, 0, limit.compression);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            for (const std::string& path : limit.mentions)
                EXPECT_THAT(failure.Description(),
                            HasSubstr(root + (path.empty() ? "" : "/" + path)));
            if (limit.mentions.empty()) {
                EXPECT_THAT(failure.Description(), HasSubstr(box));
            }
            EXPECT_THAT(failure.Description(), HasSubstr(limit.text));
        }
        EXPECT_FALSE(fs::exists(dir / "new"));
    }
    EXPECT_THAT(host.messages, ::testing::IsEmpty());
}

TEST_F(CreateLimitsTest, NamesAtTheLimitFit) {
    MakeTree(root, {{std::string(249, 'p'), "plain"}});
    EXPECT_EQ(Create(0, 0, std::string(255, 'b')), 1);
    fs::remove_all(root);
    MakeTree(root, {{std::string(245, 'c'), "compressed"}});
    EXPECT_EQ(Create(1), 1);
    EXPECT_EQ(ReadStored(box, kPassword).at(0).record.Name, std::string(245, 'c'));
}

TEST(FolderCountTest, AtMost65535Entries) {
    FolderTable folders;
    folders.Add("Docs");
    for (int i = 2; i <= 65535; ++i) folders.Add("f" + std::to_string(i) + "\\");
    EXPECT_NO_THROW(CreatePlan::CheckFolderCount(folders, "/data/Docs/"));
    folders.Add("one\\more\\");
    try {
        CreatePlan::CheckFolderCount(folders, "/data/Docs/");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.Description(), HasSubstr("/data/Docs/one/more/"));
    }
}

}  // namespace
}  // namespace vko::test
