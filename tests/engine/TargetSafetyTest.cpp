// What extraction and creation may touch: nothing through a symbolic link below the extraction
// folder, and a file that replaces another keeps that file's permissions.
#include <sys/stat.h>

#include <filesystem>

#include "engine/EngineFixture.h"

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
    // a.txt, sub\note.txt and sub\deeper\x.txt.
    std::string Box(uint8_t version) {
        BoxLayout layout;
        layout.version = version;
        layout.folders = {"Docs", "sub\\", "sub\\deeper\\"};
        layout.files = {{0, "a.txt", "new a"}, {2, "note.txt", "new note"}, {3, "x.txt", "x"}};
        return Forge(layout, "box" + std::to_string(version) + ".vkx");
    }

    std::string target = dir / "target";
    std::string elsewhere = dir / "elsewhere";
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
                EXPECT_EQ(Listing(target), c.after);
                EXPECT_EQ(Listing(elsewhere), (Tree{{"keep.txt", "outside"}}));
                EXPECT_FALSE(fs::exists(dir / "missing"));
                EXPECT_THAT(host.messages, IsEmpty());
            }
        }
    }
}

struct ModeCase {
    const char* label;
    bool box;         // the box being replaced, or an extracted file
    mode_t before;    // 0: nothing there before
    mode_t expected;  // 0: the default for new files (0666 less the umask)
};

const ModeCase kModeCases[] = {
    {"new box", true, 0, 0},
    {"replaced private box", true, 0600, 0600},
    {"replaced shared box", true, 0664, 0664},
    {"new extracted file", false, 0, 0},
    {"replaced private file", false, 0600, 0600},
    {"replaced script", false, 0750, 0750},
};

TEST_F(TargetSafetyTest, AFileThatReplacesAnotherKeepsItsPermissions) {
    const mode_t mask = umask(022);
    umask(mask);
    MakeTree(root, {{"a.txt", "a"}});
    BoxLayout layout;
    layout.files = {{0, "a.txt", "new"}};
    const std::string forged = Forge(layout);
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
    }
}

}  // namespace
}  // namespace vko::test
