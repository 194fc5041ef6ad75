// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <fstream>
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
        {true,
         {".hidden", "link.txt", "real.txt", "config", ".x"},
         {"Docs", ".git\\", "sub\\"},
         {}},
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

void Sparse(const std::string& path, int64_t size) {
    WriteFile(path, "");
    fs::resize_file(path, static_cast<uintmax_t>(size));
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
        if (getuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        check();
        _exit(FailedParts() > failedBefore ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed as a plain user";
}

// Builds a file in each of 22 folders of 200-byte names and one above them, through open
// folders: the paths pass the system's limit.
void MakeDeepTree(const std::string& root) {
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; folder >= 0; ++level) {
        close(openat(folder, ("f" + std::to_string(level)).c_str(), O_WRONLY | O_CREAT, 0644));
        const std::string name(200, static_cast<char>('a' + level));
        const int next = level == 22 || mkdirat(folder, name.c_str(), 0755) != 0
                             ? -1
                             : openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = next;
    }
}

// Whatever cannot be listed, followed or stored under its name is named with the reason, and
// the rest is boxed (of two names that meet in lower case, the first); a tree deeper than the
// system's path limit is boxed whole. Run as a plain user, whom permissions bind.
TEST_F(ScanTest, WhatCannotBeBoxedIsNamedAndTheRestBoxed) {
    const auto tree = [](Tree t) { return [t](const std::string& r) { MakeTree(r, t); }; };
    const auto locked = [](mode_t mode) {
        return [mode](const std::string& r) {
            MakeTree(r, {{"locked/x.txt", "x"}});
            fs::permissions(r + "/locked", static_cast<fs::perms>(mode));
        };
    };
    const auto link = [](const std::string& target, const std::string& name) {
        return [=](const std::string& r) { fs::create_symlink(target, r + "/" + name); };
    };
    const std::string unreadable = "could not be read: Permission denied; nothing in it is in";
    const std::string longName(250, 'n'), compressedName(246, 'c');
    const struct {
        const char* label;
        std::function<void(const std::string& root)> make;
        std::vector<FileProblem> named;  // path relative to the folder, a piece of the reason
        int16_t compression = 0;
        size_t stored = 2;
    } rows[] = {
        {"folder of mode 000", locked(0), {{"locked/", unreadable}}},
        {"folder of mode 311", locked(0311), {{"locked/", unreadable}}},
        {"dangling link", link("missing", "gone"), {{"gone", "a symbolic link to nothing"}}},
        {"link loop",
         [&](const std::string& r) { link("l2", "l1")(r), link("l1", "l2")(r); },
         {{"l1", "link that loops"}, {"l2", "link that loops"}}},
        {"link into an unreadable folder",
         [&](const std::string& r) {
             MakeTree(dir / "private", {{"secret.txt", "s"}});
             fs::permissions(dir / "private", fs::perms::none);
             link(dir / "private/secret.txt", "secret.txt")(r);
         },
         {{"secret.txt", "a symbolic link into a folder that cannot be read"}}},
        {"file name",
         tree({{longName, "n"}}),
         {{longName, "250 bytes long; this box stores file names of at most 249 bytes"}}},
        {"compressed file name",
         tree({{compressedName, "c"}}),
         {{compressedName, "at most 245"}},
         1},
        {"backslash in a file name",
         tree({{"a\\b", "a"}}),
         {{"a\\b", "its name holds a backslash, which a box cannot store"}}},
        {"backslash in a folder name",
         tree({{"x\\y/f", "f"}}),
         {{"x\\y/", "holds a backslash, which a box cannot store; nothing in it is in the box"}}},
        {"drive-like file name",
         tree({{"c:notes", "n"}}),
         {{"c:notes", "its name begins with a drive letter and a colon"}}},
        {"drive-like folder name", tree({{"d:/f", "n"}}), {{"d:/", "begins with a drive letter"}}},
        {"names meet in lower case",
         tree({{"SUB/b.txt", "2"}}),
         {{"sub/b.txt", "would be extracted over "}}},
        {"file meets a folder",
         tree({{"other", "f"}, {"OTHER/x", "x"}}),
         {{"other",
           "where a folder of the same name goes, because a box stores folder names in "
           "lower case"}},
         0,
         3},
        {"2 GiB file",
         [](const std::string& r) { Sparse(r + "/big", int64_t{1} << 31); },
         {{"big", "holds 2,147,483,648 bytes; a box stores files of less than 2 GiB"}}},
        {"tree deeper than the path limit", MakeDeepTree, {}, 0, 25},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_EQ(std::system(("rm -rf " + root).c_str()), 0);  // a deep tree no path reaches
        MakeTree(root, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
        row.make(root);
        AsPlainUser(dir.Str(), [&] {
            ASSERT_EQ(Create(row.compression), 1);
            ASSERT_EQ(engine.Problems().size(), row.named.size());
            for (size_t i = 0; i < row.named.size(); ++i) {
                EXPECT_EQ(engine.Problems()[i].path, Source(row.named[i].path));
                EXPECT_THAT(engine.Problems()[i].reason, HasSubstr(row.named[i].reason));
            }
            EXPECT_EQ(ReadStored(box, kPassword).size(), row.stored);
        });
    }
    EXPECT_EQ(std::system(("rm -rf " + root).c_str()), 0);
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

// Only what makes the whole box impossible refuses it, before anything is written; the message
// names the path that breaks it.
TEST_F(CreateLimitsTest, RefusedBeforeAnythingIsWritten) {
    const struct {
        const char* label;
        std::function<void()> prepare;
        std::string named, text;
        std::string boxName = "Box";
        int16_t compression = 0;
    } rows[] = {
        {"box name", [] {}, box, "256 bytes", std::string(256, 'b')},
        {"compression level", [] {}, box, "Compression level 2", "Box", 2},
        {"missing folder", [&] { fs::remove_all(root); }, root, "does not exist"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        MakeTree(root, {{"a.txt", "a"}});
        row.prepare();
        try {
            (void)engine.CreateBlock(box, row.boxName, kPassword, root, 0, row.compression);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_THAT(failure.Description(), HasSubstr(row.named));
            EXPECT_THAT(failure.Description(), HasSubstr(row.text));
        }
        EXPECT_FALSE(fs::exists(dir / "new"));
        fs::remove_all(root);
    }
    EXPECT_THAT(host.messages, ::testing::IsEmpty());
}

// Files below 2 GiB each add up to any total: offsets, the data byte count and progress are
// 64-bit. The second file's stored bytes lie past 2 GiB into the box; its tag verifies and its
// last bytes read back from there.
TEST_F(CreateLimitsTest, ABoxPasses2GiBInAll) {
    const int64_t each = (int64_t{9} << 27) + 5;  // 1.125 GiB and a short last piece
    std::error_code error;
    const auto space = fs::space(dir.Str(), error);
    if (error || space.available < static_cast<uintmax_t>(2 * each + (int64_t{1} << 28)))
        GTEST_SKIP() << "needs 2.5 GiB free below " << dir.Str() << " for a box of 2.25 GiB";
    fs::create_directories(root);
    for (const char* name : {"/one", "/two"}) {
        Sparse(root + name, each - 4);
        std::ofstream(root + name, std::ios::app) << "tail";
    }
    ASSERT_EQ(Create(), 1);
    ASSERT_GT(events.Named("CipherProgress").size(), 0u);
    const std::string total = std::to_string(2 * each);
    EXPECT_THAT(events.Named("CipherProgress").back(),
                ::testing::StartsWith("CipherProgress " + total + " " + total + " "));
    ASSERT_EQ(engine.VerifyBlock(box, kPassword), 0);
    EXPECT_THAT(engine.Problems(), ::testing::IsEmpty());
    EXPECT_EQ(engine.DataByteCount(), 2 * each);
    const auto reader = BoxReader::Open(box, kPassword);
    ASSERT_TRUE(reader);
    uint8_t tail[6] = {};
    ASSERT_EQ(reader->ReadPlain(1, static_cast<uint64_t>(each) - 6, tail), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(tail), 6), std::string("\0\0tail", 6));
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
