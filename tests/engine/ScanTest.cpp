// Which files a box takes from its folder and under which folder entries; limits a folder can
// exceed, checked after the scan and before anything is written, with a message naming the
// offending path.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

// Hidden entries are left out and counted (a hidden folder once), unless asked for; system
// entries and links to folders are passed over; a link to a file stores the file.
TEST_F(ScanTest, HiddenEntriesAreCountedOrBoxedAndOnlyFileLinksAreFollowed) {
    MakeTree(root, {{"real.txt", "r"}, {".hidden", "h"}, {".git/config", "c"}, {"sub/.x", "x"}});
    MakeTree(dir / "outside", {{"secret.txt", "outside file"}, {"deep/y.txt", "y"}});
    ASSERT_EQ(mkfifo(Source("pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "outside/secret.txt", Source("link.txt"));
    fs::create_symlink(dir / "outside", Source("linkdir"));
    const struct {
        bool hidden;
        std::vector<std::string> names, folders;
        HiddenCount leftOut;
    } rows[] = {
        {false, {"link.txt", "real.txt"}, {"Docs"}, {2, 1}},
        {true, {".hidden", "link.txt", "real.txt", "config", ".x"}, {"Docs", ".git\\", "sub\\"}, {}},
    };
    for (const auto& row : rows) {
        engine.SetHiddenFiles(row.hidden);
        ASSERT_EQ(Create(), 1);
        EXPECT_THAT(engine.Problems(), ::testing::IsEmpty());
        EXPECT_EQ(engine.HiddenLeftOut(), row.leftOut);
        const std::vector<StoredFile> stored = ReadStored(box, kPassword);
        EXPECT_EQ(Names(stored), row.names);
        EXPECT_EQ(stored.at(row.hidden ? 1 : 0).bytes, "outside file");
        EXPECT_EQ(engine.Directories(), row.folders);
    }
}

int FailedParts() {
    const auto* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i)
        failed += result->GetTestPartResult(i).failed() ? 1 : 0;
    return failed;
}

// Runs check in a child process that is refused what permissions forbid: a test run as root
// drops to nobody there, after opening the scratch folder to everyone.
void AsPlainUser(const std::string& scratch, const std::function<void()>& check) {
    fs::permissions(scratch, fs::perms::all);
    std::fflush(stdout);
    const int failedBefore = FailedParts();
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        check();
        _exit(FailedParts() > failedBefore ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed as a plain user";
}

// What cannot be listed or followed is named and the rest is boxed.
TEST_F(ScanTest, WhatCannotBeReadIsNamedAndTheRestBoxed) {
    const auto locked = [](mode_t mode) {
        return [mode](const std::string& r) {
            MakeTree(r, {{"locked/x.txt", "x"}});
            fs::permissions(r + "/locked", static_cast<fs::perms>(mode));
        };
    };
    const std::string folderReason =
        "could not be read: Permission denied; nothing in it is in the box";
    const struct {
        const char* label;
        std::function<void(const std::string& root)> make;
        std::vector<FileProblem> named;  // paths relative to the folder
    } rows[] = {
        {"folder of mode 000", locked(0), {{"locked/", folderReason}}},
        {"folder of mode 311", locked(0311), {{"locked/", folderReason}}},
        {"dangling link",
         [](const std::string& r) { fs::create_symlink(r + "/missing", r + "/dangling"); },
         {{"dangling", "a symbolic link to nothing: its target does not exist"}}},
        {"link loop",
         [](const std::string& r) {
             fs::create_symlink("loop2", r + "/loop1");
             fs::create_symlink("loop1", r + "/loop2");
         },
         {{"loop1", "a symbolic link that loops back on itself"},
          {"loop2", "a symbolic link that loops back on itself"}}},
        {"link into an unreadable folder",
         [&](const std::string& r) {
             MakeTree(dir / "private", {{"secret.txt", "s"}});
             fs::permissions(dir / "private", fs::perms::none);
             fs::create_symlink(dir / "private/secret.txt", r + "/secret.txt");
         },
         {{"secret.txt", "a symbolic link into a folder that cannot be read"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        fs::remove_all(root);
        MakeTree(root, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
        row.make(root);
        AsPlainUser(dir.Str(), [&] {
            ASSERT_EQ(Create(), 1);
            std::vector<FileProblem> named = row.named;
            for (FileProblem& problem : named) problem.path = Source(problem.path);
            EXPECT_EQ(engine.Problems(), named);
            EXPECT_THAT(Names(ReadStored(box, kPassword)), ElementsAre("a.txt", "b.txt"));
        });
    }
}

// Folders and files are reached through open folders, so a tree deeper than the system's path
// limit is boxed whole: a file in each of 22 folders of 200-byte names, and one above them.
TEST_F(ScanTest, ATreeDeeperThanThePathLimitIsBoxedWhole) {
    fs::create_directories(root);
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level <= 22; ++level) {
        const std::string file = "f" + std::to_string(level);
        const int out = openat(folder, file.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(write(out, file.data(), file.size()), static_cast<ssize_t>(file.size()));
        close(out);
        const std::string name(200, static_cast<char>('a' + level % 26));
        if (level == 22 || mkdirat(folder, name.c_str(), 0755) != 0) break;
        const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = next;
    }
    close(folder);
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(engine.Problems(), ::testing::IsEmpty());
    const std::vector<StoredFile> stored = ReadStored(box, kPassword);
    ASSERT_EQ(stored.size(), 23u);
    EXPECT_EQ(stored.back().bytes, "f22");
    EXPECT_EQ(std::system(("rm -rf " + root).c_str()), 0);  // removes what no path can reach
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

// Only what makes the whole box impossible refuses it, before anything is written.
TEST_F(CreateLimitsTest, RefusedBeforeAnythingIsWritten) {
    const int64_t twoGiB = int64_t{1} << 31;
    // clang-format off
    const Limit limits[] = {
        {"box name", {{"a.txt", "a"}}, {}, "256 bytes", std::string(256, 'b')},
        {"total above 2 GiB", {}, {""}, CreatePlan::kTooLargeText, "Box", 0,
         [&](const std::string& r) { Sparse(r + "/one", twoGiB / 4 * 3); Sparse(r + "/two", twoGiB / 4 * 3); }},
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

// A name or a size the format cannot hold leaves that file (or folder) out, named with the
// reason; the rest is boxed. Of two names that meet in lower case the first is kept.
TEST_F(CreateLimitsTest, WhatTheFormatCannotHoldIsLeftOutAndNamed) {
    const std::string longName(250, 'n');
    const std::string compressedName(246, 'c');
    const struct {
        const char* label;
        Tree tree;
        std::vector<FileProblem> named;  // paths relative to the folder
        int16_t compression = 0;
        int64_t sparse = 0;  // size of a file "big", when not 0
    } rows[] = {
        {"file name", {{longName, "a"}},
         {{longName, "its name is 250 bytes long; this box stores file names of at most 249 bytes"}}},
        {"compressed file name", {{compressedName, "a"}},
         {{compressedName, "its name is 246 bytes long; this box stores file names of at most 245 bytes"}}, 1},
        {"backslash in file name", {{"a\\b.txt", "a"}},
         {{"a\\b.txt", "its name holds a backslash, which a box cannot store"}}},
        {"backslash in folder name", {{"x\\y/f.txt", "f"}},
         {{"x\\y/", "its name holds a backslash, which a box cannot store; nothing in it is in the box"}}},
        {"drive-like file name", {{"c:notes.txt", "n"}},
         {{"c:notes.txt", "its name begins with a drive letter and a colon, which a box cannot store"}}},
        {"drive-like folder name", {{"d:/f.txt", "n"}},
         {{"d:/", "its name begins with a drive letter and a colon, which a box cannot store; "
                  "nothing in it is in the box"}}},
        {"names meet in lower case", {{"Sub/x.txt", "1"}, {"sub/x.txt", "2"}},
         {{"sub/x.txt", "would be extracted over ROOT/Sub/x.txt, because a box stores folder names in lower case"}}},
        {"file meets a folder", {{"sub", "file"}, {"SUB/x.txt", "2"}},
         {{"sub", "would be extracted where a folder of the same name goes, because a box stores "
                  "folder names in lower case"}}},
        {"2 GiB file", {}, {{"big", "holds 2,147,483,648 bytes; a box stores files of less than 2 GiB"}},
         0, int64_t{1} << 31},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        fs::remove_all(root);
        MakeTree(root, row.tree);
        WriteFile(Source("kept.txt"), "kept");
        if (row.sparse > 0) Sparse(Source("big"), row.sparse);
        ASSERT_EQ(Create(row.compression), 1);
        std::vector<FileProblem> named = row.named;
        for (FileProblem& problem : named) {
            problem.path = Source(problem.path);
            if (const size_t at = problem.reason.find("ROOT"); at != std::string::npos)
                problem.reason.replace(at, 4, root);
        }
        EXPECT_EQ(engine.Problems(), named);
        const std::vector<std::string> names = Names(ReadStored(box, kPassword));
        EXPECT_EQ(names.size(), row.tree.size() + (row.sparse > 0 ? 2 : 1) - named.size())
            << ::testing::PrintToString(names);
    }
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
