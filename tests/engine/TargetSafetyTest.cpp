// SPDX-License-Identifier: GPL-3.0-or-later
// What extraction and creation may touch: nothing through a symbolic link below the extraction
// folder, no file already there unless told so, new files private, a replaced file's permissions
// kept (less set-id bits), and no temporary file left by this run or a dead one.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine/EngineFixture.h"
#include "util/Failure.h"

using ::testing::IsEmpty;

namespace vko::test {
namespace {

namespace fs = std::filesystem;

mode_t Mode(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

class TargetSafetyTest : public EngineFixture {
protected:
    // a.txt, sub\note.txt and sub\deeper\x.txt, which is large enough to be taken in spans.
    std::string Box(uint8_t version) {
        BoxLayout layout;
        layout.version = version;
        layout.folders = {"Docs", "sub\\", "sub\\deeper\\"};
        layout.files = {{0, "a.txt", "new a"}, {2, "note.txt", "new note"}, {3, "x.txt", x}};
        return Forge(layout, "box" + std::to_string(version) + ".vkx");
    }

    std::string target = dir / "target";
    std::string elsewhere = dir / "elsewhere";
    const std::string x = RandomBytes(1'100'000, 5);
};

struct LinkCase {
    const char* label;
    const char* link;                  // made in the target
    const char* pointTo;               // what it points to
    Tree after;                        // the target afterwards, links not followed
    std::vector<std::string> refused;  // files named, below the target
};

// clang-format off
const LinkCase kLinkCases[] = {
    {"folder link to outside", "sub", "../elsewhere",
     {{"a.txt", "new a"}, {"sub", "-> ../elsewhere"}}, {"sub/note.txt", "sub/deeper/x.txt"}},
    {"folder link inside the target", "sub", "other",
     {{"a.txt", "new a"}, {"other/", ""}, {"sub", "-> other"}},
     {"sub/note.txt", "sub/deeper/x.txt"}},
    {"dangling folder link", "sub", "../missing",
     {{"a.txt", "new a"}, {"sub", "-> ../missing"}}, {"sub/note.txt", "sub/deeper/x.txt"}},
    {"deeper folder link", "sub/deeper", "../../elsewhere",
     {{"a.txt", "new a"}, {"sub/", ""}, {"sub/note.txt", "new note"},
      {"sub/deeper", "-> ../../elsewhere"}}, {"sub/deeper/x.txt"}},
    // The rename puts the file in the link's place: the link goes, what it pointed to stays.
    {"link at a file's own name", "a.txt", "../elsewhere/keep.txt",
     {{"a.txt", "new a"}, {"sub/", ""}, {"sub/note.txt", "new note"}, {"sub/deeper/", ""},
      {"sub/deeper/x.txt", "x"}}, {}},
};
// clang-format on

// Files below a link are refused and named; the others are extracted; nothing outside the
// target changes. Whole and file by file, plain and compressed.
TEST_F(TargetSafetyTest, ExtractionNeverFollowsALinkBelowTheTarget) {
    engine.SetExistingFiles(ExistingFiles::kReplace);
    for (const LinkCase& c : kLinkCases) {
        for (const uint8_t version : {1, 2}) {
            for (const bool fileByFile : {false, true}) {
                SCOPED_TRACE(std::string(c.label) + " version " + std::to_string(version) +
                             (fileByFile ? " file by file" : " whole"));
                fs::remove_all(target);
                fs::remove_all(elsewhere);
                MakeTree(elsewhere, {{"keep.txt", "outside"}});
                if (std::string(c.pointTo) == "other") fs::create_directories(target + "/other");
                fs::create_directories(fs::path(target + "/" + c.link).parent_path());
                fs::create_symlink(c.pointTo, target + "/" + c.link);

                const std::string path = Box(version);
                if (fileByFile) {
                    ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
                    for (int32_t n = 1; n <= 3; ++n) engine.DynamicExtractToFile(n, target);
                } else {
                    ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), 0);
                }
                std::vector<FileProblem> expected;
                for (const std::string& refused : c.refused) {
                    const std::string link = target + "/" + c.link;
                    expected.push_back(
                        {target + "/" + refused,
                         "not extracted: its folder is a symbolic link (" + link + ")"});
                }
                EXPECT_EQ(engine.Problems(), expected);
                if (fileByFile) engine.DynamicClose();
                Tree after = c.after;
                if (after.contains("sub/deeper/x.txt")) after["sub/deeper/x.txt"] = x;
                EXPECT_EQ(Listing(target), after);
                EXPECT_EQ(Listing(elsewhere), (Tree{{"keep.txt", "outside"}}));
                EXPECT_FALSE(fs::exists(dir / "missing"));
                EXPECT_THAT(host.messages, IsEmpty());
            }
        }
    }
}

struct ExistingCase {
    const char* label;
    ExistingFiles policy;
    ExistingAnswer answer;  // kAsk: the host's
    bool asked;             // kAsk: whether the host is asked at all
    bool replaced;          // a.txt and the link sub/note.txt give way to the box's files
    bool named;             // they are named as kept
    int16_t result;
};

const ExistingCase kExistingCases[] = {
    {"keep", ExistingFiles::kKeep, {}, false, false, true, 0},
    {"skip", ExistingFiles::kSkip, {}, false, false, false, 0},
    {"replace", ExistingFiles::kReplace, {}, false, true, false, 0},
    {"ask, replace", ExistingFiles::kAsk, ExistingAnswer::kReplace, true, true, false, 0},
    {"ask, skip", ExistingFiles::kAsk, ExistingAnswer::kSkip, true, false, false, 0},
    {"ask, cancel", ExistingFiles::kAsk, ExistingAnswer::kCancel, true, false, false, 3},
};

// A file or a link where the box has a file is replaced only when the caller says so; asked,
// the host is asked once, before anything is written. Whole and file by file.
TEST_F(TargetSafetyTest, AFileAlreadyThereIsReplacedOnlyWhenSaidSo) {
    const std::string path = Box(1);
    MakeTree(elsewhere, {{"keep.txt", "outside"}});
    for (const ExistingCase& c : kExistingCases) {
        for (const bool fileByFile : {false, true}) {
            SCOPED_TRACE(std::string(c.label) + (fileByFile ? " file by file" : " whole"));
            fs::remove_all(target);
            MakeTree(target, {{"a.txt", "old a"}});
            fs::create_directories(target + "/sub");
            fs::create_symlink("../../elsewhere/keep.txt", target + "/sub/note.txt");
            const Tree before = Listing(target);
            engine.SetExistingFiles(c.policy);
            host.existingAnswer = c.answer;
            host.existingAsked.clear();
            int16_t result = 0;
            if (fileByFile) {
                ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
                if (engine.PrepareEntries({1, 2, 3}, target))
                    for (int32_t n = 1; n <= 3; ++n) engine.DynamicExtractToFile(n, target);
                else
                    result = 3;
            } else {
                result = engine.ExtractBlock(path, target, kPassword);
            }
            EXPECT_EQ(result, c.result);
            const std::vector<std::string> there{target + "/a.txt", target + "/sub/note.txt"};
            using Asked = decltype(host.existingAsked);
            EXPECT_EQ(host.existingAsked, c.asked ? Asked{there} : Asked{});
            std::vector<FileProblem> named;
            for (const std::string& file : there)
                if (c.named) named.push_back({file, "exists, kept"});
            EXPECT_EQ(engine.Problems(), named);
            EXPECT_EQ(engine.Skipped(),
                      !c.named && !c.replaced && c.result == 0 ? there : decltype(there){});
            if (fileByFile) engine.DynamicClose();
            Tree after = before;
            if (c.result == 0) after.insert({{"sub/deeper/", ""}, {"sub/deeper/x.txt", x}});
            if (c.replaced) after["a.txt"] = "new a", after["sub/note.txt"] = "new note";
            EXPECT_EQ(Listing(target), after);
            EXPECT_EQ(Listing(elsewhere), (Tree{{"keep.txt", "outside"}}));
        }
    }
}

struct ModeCase {
    const char* label;
    bool box;         // the box being replaced, or an extracted file
    mode_t before;    // 0: nothing there before
    mode_t expected;  // 0: the default for a new box (0666 less the umask)
};

const ModeCase kModeCases[] = {
    {"new box", true, 0, 0},
    {"replaced private box", true, 0600, 0600},
    {"replaced set-group-id box", true, 02664, 0664},
    {"new extracted file", false, 0, 0600},
    {"replaced script", false, 0750, 0750},
    {"replaced set-user-id file", false, 04755, 0755},
    {"replaced sticky file", false, 01644, 0644},
};

TEST_F(TargetSafetyTest, NewFilesArePrivateAndAReplacedOneKeepsItsPermissions) {
    const mode_t mask = umask(022);
    umask(mask);
    MakeTree(root, {{"a.txt", "a"}});
    BoxLayout layout;
    layout.folders = {"Docs", "sub\\"};
    layout.files = {{0, "a.txt", "new"}};
    const std::string forged = Forge(layout);
    engine.SetExistingFiles(ExistingFiles::kReplace);
    for (const ModeCase& c : kModeCases) {
        SCOPED_TRACE(c.label);
        const std::string path = c.box ? box : target + "/a.txt";
        fs::remove_all(dir / "out");
        fs::remove_all(target);
        if (c.before != 0) {
            WriteFile(path, "old");
            ASSERT_EQ(chmod(path.c_str(), c.before), 0);
        }
        if (c.box)
            ASSERT_EQ(Create(), 1);
        else
            ASSERT_EQ(engine.ExtractBlock(forged, target, kPassword), 0);
        EXPECT_NE(ReadFile(path), "old");
        EXPECT_EQ(Mode(path), c.expected != 0 ? c.expected : 0666 & ~mask);
        if (!c.box) {
            EXPECT_EQ(Mode(target + "/sub"), 0700u);
            if (c.before == 0) {
                EXPECT_EQ(Mode(target), 0700u);
            }
        }
    }
}

struct BoxPlaceCase {
    const char* label;
    const char*
        place;     // what is at the box's path: "file", "link", "pipe", "link to pipe", "folder"
    bool written;  // the box is written (through a link: over the file it leads to)
};

const BoxPlaceCase kBoxPlaceCases[] = {
    {"over a file", "file", true},      {"through a link", "link", true},
    {"over a pipe", "pipe", false},     {"through a link to a pipe", "link to pipe", false},
    {"over a folder", "folder", false},
};

// A box replaces only a regular file, and a link given as its path is followed to the file it
// leads to, which is replaced beside it; the link stays.
TEST_F(TargetSafetyTest, ABoxReplacesOnlyARegularFile) {
    MakeTree(root, {{"a.txt", "a"}});
    for (const BoxPlaceCase& c : kBoxPlaceCases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "out");
        const std::string place = c.place, real = dir / "out/real";
        if (place == "file" || place == "link") WriteFile(place == "file" ? box : real, "old");
        if (place.ends_with("pipe")) {
            ASSERT_EQ(mkfifo((place == "pipe" ? box : real).c_str(), 0600), 0);
        }
        if (place.starts_with("link")) fs::create_symlink("real", box);
        if (place == "folder") fs::create_directories(box);
        if (c.written) {
            EXPECT_EQ(Create(), 1);
        } else {
            EXPECT_THROW((void)Create(), Failure);
        }
        EXPECT_EQ(fs::is_symlink(box), place.starts_with("link"));
        EXPECT_EQ(fs::is_fifo(box), place.ends_with("pipe"));
        if (c.written) {
            EXPECT_EQ(ReadStored(box, kPassword).size(), 1u);
        }
        EXPECT_THAT(Leftovers(dir / "out"), IsEmpty());
    }
}

struct LeftCase {
    const char* label;
    bool create;
    bool anonymous;  // the file system has anonymous temporary files
    bool syncFails;  // the new box cannot be flushed to the device
};

const LeftCase kLeftCases[] = {
    {"create", true, true, false},
    {"create, named temporaries", true, false, false},
    {"extract", false, true, false},
    {"extract, named temporaries", false, false, false},
    {"create, flush fails", true, true, true},
    {"create, named, flush fails", true, false, true},
};

// A run removes the temporaries that dead processes left in the folders it writes into, and
// leaves those of live ones; it leaves none of its own. A box that cannot be flushed to the
// device does not replace the previous one, and the failure names the box.
TEST_F(TargetSafetyTest, NoTemporaryOutlivesItsProcess) {
    MakeTree(root, {{"a.txt", "new a"}});
    ASSERT_EQ(Create(), 1);
    const std::string made = ReadFile(box);
    engine.SetExistingFiles(ExistingFiles::kReplace);
    for (const LeftCase& c : kLeftCases) {
        SCOPED_TRACE(c.label);
        const std::string folder = c.create ? dir / "out" : target;
        const std::string suffix = AtomicFile::kTempSuffix;
        // pid 2^22 + 1 is above the default pid_max, so no process owns it.
        const std::string stale = folder + "/.a.txt.4194305.0" + suffix;
        const std::string live = folder + "/.a.txt." + std::to_string(getppid()) + ".7" + suffix;
        WriteFile(c.create ? box : target + "/a.txt", "old");
        for (const auto& temporary : {stale, live}) WriteFile(temporary, "x");
        if (!c.anonymous) FileFaults::NoAnonymousFiles();
        if (c.syncFails) FileFaults::FailSyncs();
        try {
            EXPECT_EQ(c.create ? Create() : engine.ExtractBlock(box, target, kPassword),
                      c.create ? 1 : 0);
            EXPECT_FALSE(c.syncFails) << "a box that could not be flushed replaced the old one";
        } catch (const Failure& failure) {
            EXPECT_TRUE(c.syncFails) << failure.Description();
            EXPECT_THAT(failure.Description(), ::testing::EndsWith(": " + box));
        }
        FileFaults::Reset();
        EXPECT_EQ(ReadFile(c.create ? box : target + "/a.txt"), c.syncFails ? "old"
                                                                : c.create  ? made
                                                                            : "new a");
        EXPECT_EQ(Leftovers(folder), std::vector{live});
        fs::remove(live);
    }
}

}  // namespace
}  // namespace vko::test
