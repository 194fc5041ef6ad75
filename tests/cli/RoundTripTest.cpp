// Whole runs of vkx: create, list, extract, and the trees that come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/VkxRunner.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

const char* const kPassword = "correct horse";

// Folder names are lower case because a box stores them that way; file names keep their case.
const Tree& SampleTree() {
    static const Tree tree = {
        {"Readme.TXT", "hello\n"},
        {"empty.dat", ""},
        {"photos/2024/Beach.jpg", RandomBytes(131073, 1)},
        {"photos/notes.txt", std::string(5000, 'a')},
        {"docs/deep/er/x.bin", RandomBytes(1000, 2)},
    };
    return tree;
}

VkxResult Vkx(std::vector<std::string> args, const std::string& cwd = {}) {
    return RunVkx({std::move(args), cwd, kPassword, {}});
}

// Without -q a finished run prints one line: the files, the bytes read and written, and the
// seconds. upToSeconds is all of it but the seconds.
void ExpectSummary(const VkxResult& run, const std::string& upToSeconds) {
    EXPECT_EQ(run.out.rfind(upToSeconds, 0), 0u) << run.out;
    EXPECT_TRUE(run.out.ends_with(" seconds\n")) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
}

class RoundTrip : public testing::TestWithParam<bool> {};

// Plain boxes go through the defaults (box and folder named after the tree) and -q, compressed
// ones through -o, -n and -C, and end with a summary.
TEST_P(RoundTrip, CreateListExtractGivesTheTreeBack) {
    const bool compressed = GetParam();
    TempDir work;
    MakeTree(work / "Docs", SampleTree());
    fs::create_directories(work / "out");

    std::vector<std::string> create{"create", "Docs"};
    std::string box = work / "Docs.vkx";
    if (compressed) {
        box = work / "boxes/named.vkx";
        create.insert(create.end(), {"-z", "-o", box, "-n", "My Box"});
    } else {
        create.push_back("-q");
    }
    VkxResult created = Vkx(create, work.Str());
    ASSERT_EQ(created.exitCode, 0) << created.err;
    ASSERT_TRUE(fs::is_regular_file(box));
    if (compressed)
        ExpectSummary(created, "Created " + box + ": 5 files, 137079 bytes in, " +
                                   std::to_string(fs::file_size(box)) + " bytes out, ");
    else
        EXPECT_TRUE(created.out.empty());

    VkxResult listed = Vkx({"list", box});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find(compressed ? "Box:         My Box" : "Box:         Docs"),
              std::string::npos);
    EXPECT_NE(listed.out.find("Root folder: Docs"), std::string::npos);
    EXPECT_NE(listed.out.find(compressed ? "Compressed:  yes" : "Compressed:  no"),
              std::string::npos);
    EXPECT_NE(listed.out.find("photos\\2024\\Beach.jpg"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("5 files, 137079 bytes"), std::string::npos) << listed.out;

    std::string target = work / "out/Docs";
    VkxResult extracted = compressed ? Vkx({"extract", box, "-C", target})
                                     : Vkx({"extract", box, "-q"}, work / "out");
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(ReadTree(target), SampleTree());
    if (compressed)
        ExpectSummary(extracted, "Extracted into " + target + ": 5 files, " +
                                     std::to_string(fs::file_size(box)) +
                                     " bytes in, 137079 bytes out, ");
    else
        EXPECT_TRUE(extracted.out.empty());
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, RoundTrip, testing::Bool(),
                         [](const auto& param) { return param.param ? "Compressed" : "Plain"; });

// One box shared by the tests that only read it.
class MadeBox : public testing::Test {
protected:
    static void SetUpTestSuite() {
        work_ = new TempDir;
        MakeTree(*work_ / "Docs", SampleTree());
        VkxResult created = Vkx({"create", *work_ / "Docs", "-o", Box(), "-q"});
        ASSERT_EQ(created.exitCode, 0) << created.err;
    }
    static void TearDownTestSuite() {
        delete work_;
        work_ = nullptr;
    }
    static std::string Box() { return *work_ / "docs.vkx"; }
    static std::string Fresh(const std::string& name) { return *work_ / name; }

    static TempDir* work_;
};

TempDir* MadeBox::work_ = nullptr;

// The JSON listing describes every file; its numbers and paths select entries to extract.
TEST_F(MadeBox, JsonListingAndEntriesByNumberAndByPath) {
    VkxResult listed = Vkx({"list", Box(), "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    auto box = nlohmann::json::parse(listed.out);
    EXPECT_EQ(box["name"], "Docs");
    EXPECT_EQ(box["root"], "Docs");
    EXPECT_EQ(box["version"], 1);
    EXPECT_EQ(box["compressed"], false);
    ASSERT_EQ(box["files"].size(), SampleTree().size());
    int64_t total = 0;
    std::string deepFile;
    for (size_t i = 0; i < box["files"].size(); ++i) {
        const auto& file = box["files"][i];
        EXPECT_EQ(file["index"], i + 1);
        std::string path = file["path"];
        if (path == "docs\\deep\\er\\x.bin") deepFile = file["index"].dump();
        std::replace(path.begin(), path.end(), '\\', '/');
        ASSERT_TRUE(SampleTree().count(path)) << path;
        EXPECT_EQ(file["size"], SampleTree().at(path).size());
        EXPECT_EQ(file["stored"], file["size"]);
        total += file["size"].get<int64_t>();
    }
    EXPECT_EQ(box["totalSize"], total);

    // "/" may stand for "\"; a file named twice is written once, and counted once.
    const std::string target = Fresh("chosen");
    VkxResult extracted = Vkx({"extract", Box(), "-C", target, deepFile, "photos\\2024\\Beach.jpg",
                               "photos/notes.txt", deepFile});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    ExpectSummary(extracted,
                  "Extracted into " + target + ": 3 files, 137073 bytes in, 137073 bytes out, ");
    Tree expected;
    for (const char* path : {"docs/deep/er/x.bin", "photos/2024/Beach.jpg", "photos/notes.txt"})
        expected[path] = SampleTree().at(path);
    EXPECT_EQ(ReadTree(target), expected);
}

TEST_F(MadeBox, UnknownEntryIsRefusedBeforeAnythingIsWritten) {
    for (const char* entry : {"0", "6", "photos\\missing.txt"}) {
        std::string target = Fresh("never");
        VkxResult extracted = Vkx({"extract", Box(), "-C", target, "1", entry});
        EXPECT_EQ(extracted.exitCode, 2) << entry;
        EXPECT_NE(extracted.err.find(entry), std::string::npos) << extracted.err;
        EXPECT_FALSE(fs::exists(target)) << entry;
    }
}

TEST_F(MadeBox, WrongPasswordExitsOneAndWritesNothing) {
    TempDir elsewhere;  // without -C the folder would be ./Docs
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"extract", Box(), "-C", elsewhere / "target"}, {"extract", Box()}, {"list", Box()}}) {
        VkxResult result = RunVkx({args, elsewhere.Str(), "not it", {}});
        EXPECT_EQ(result.exitCode, 1) << args.size();
        EXPECT_EQ(result.err, "vkx: Password incorrect or header damaged\n");
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
}

// Names are whatever bytes their maker chose: JSON needs UTF-8, and a terminal must not be
// handed control sequences.
TEST(Listing, NamesThatAreNotUtf8OrHoldControlBytesAreListedSafely) {
    TempDir work;
    MakeTree(work / "src", {{"\xff.txt", "x"}, {"red\x1b[31m.txt", "y"}});
    ASSERT_EQ(Vkx({"create", "src", "-q"}, work.Str()).exitCode, 0);

    VkxResult json = Vkx({"list", "src.vkx", "--json"}, work.Str());
    ASSERT_EQ(json.exitCode, 0) << json.err;
    auto files = nlohmann::json::parse(json.out)["files"];
    EXPECT_EQ(files[0]["path"], "red\x1b[31m.txt");
    EXPECT_EQ(files[1]["path"], "\xEF\xBF\xBD.txt");

    VkxResult text = Vkx({"list", "src.vkx"}, work.Str());
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
    EXPECT_NE(text.out.find("red?[31m.txt"), std::string::npos) << text.out;
}

// "." and ".." name the folder they stand for.
TEST(Listing, FoldersGivenAsDotOrDotDotAreNamedByTheirRealName) {
    TempDir work;
    MakeTree(work / "src", {{"sub/a.txt", "a"}});
    for (const auto& [cwd, folder] : std::vector<std::pair<std::string, std::string>>{
             {work / "src", "."}, {work.Str(), "src/sub/.."}, {work / "src/sub", "../"}}) {
        SCOPED_TRACE(folder);
        ASSERT_EQ(Vkx({"create", folder, "-o", work / "dot.vkx", "-q"}, cwd).exitCode, 0);
        VkxResult listed = Vkx({"list", work / "dot.vkx"});
        EXPECT_EQ(listed.exitCode, 0) << listed.err;
        EXPECT_NE(listed.out.find("Root folder: src\n"), std::string::npos) << listed.out;
    }
    // Without -o the box of "." goes into the folder itself, and a second run leaves it out.
    for (int run = 0; run < 2; ++run)
        ASSERT_EQ(Vkx({"create", ".", "-q"}, work / "src").exitCode, 0);
    VkxResult listed = Vkx({"list", work / "src/src.vkx"});
    EXPECT_NE(listed.out.find("1 file,"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("src.vkx"), std::string::npos) << listed.out;
}

// Nothing in a box proves its contents intact, so damage shows only when a compressed stream
// fails to expand; vkx must not call that run a success. Without a terminal "Abort?" is answered
// Yes.
TEST(DamagedBox, AFileThatCannotBeExpandedFailsTheRunAndIsNotWritten) {
    TempDir work;
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of the report\n";
    MakeTree(work / "src", {{"report.txt", text}, {"b.txt", "intact"}});
    ASSERT_EQ(Vkx({"create", "src", "-z", "-q"}, work.Str()).exitCode, 0);
    // report.txt is stored last (files are taken in name order): change a byte in the middle of
    // its stream, well before the length trailer.
    std::string bytes = ReadFile(work / "src.vkx");
    bytes[bytes.size() - 200] ^= 0x55;
    WriteFile(work / "src.vkx", bytes);

    VkxResult whole = Vkx({"extract", "src.vkx", "-C", "whole", "-q"}, work.Str());
    EXPECT_EQ(whole.exitCode, 1) << whole.err;
    EXPECT_NE(whole.err.find("Error Decompression"), std::string::npos) << whole.err;
    EXPECT_FALSE(fs::exists(work / "whole/report.txt"));

    VkxResult chosen =
        Vkx({"extract", "src.vkx", "-C", "chosen", "-q", "b.txt", "report.txt"}, work.Str());
    EXPECT_EQ(chosen.exitCode, 1) << chosen.err;
    EXPECT_NE(chosen.err.find("Error Decompressing"), std::string::npos) << chosen.err;
    EXPECT_EQ(ReadFile(work / "chosen/b.txt"), "intact");
    EXPECT_FALSE(fs::exists(work / "chosen/report.txt"));
}

// A box cut short by an interrupted copy is damaged, not locked: every whole file comes out,
// the cut one is named, and the password is not blamed.
TEST(DamagedBox, ABoxOneByteShortGivesEveryWholeFileAndExitsFive) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "first"}, {"b.txt", "second"}, {"c.txt", "third"}});
    ASSERT_EQ(Vkx({"create", "src", "-q"}, work.Str()).exitCode, 0);
    std::string bytes = ReadFile(work / "src.vkx");
    bytes.pop_back();
    WriteFile(work / "src.vkx", bytes);

    VkxResult listed = Vkx({"list", "src.vkx"}, work.Str());
    EXPECT_EQ(listed.exitCode, 5) << listed.err;
    EXPECT_NE(listed.out.find("3 files"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.err, "vkx: c.txt: cut short: the box ends after 4 of its 5 bytes\n");
    VkxResult json = Vkx({"list", "src.vkx", "--json"}, work.Str());
    EXPECT_EQ(json.exitCode, 5) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out)["problems"][0]["path"], "c.txt");

    VkxResult extracted = Vkx({"extract", "src.vkx", "-C", "out", "-q"}, work.Str());
    EXPECT_EQ(extracted.exitCode, 5) << extracted.err;
    EXPECT_EQ(ReadTree(work / "out"), (Tree{{"a.txt", "first"}, {"b.txt", "second"}}));
    EXPECT_EQ(extracted.err, "vkx: out/c.txt: cut short: the box ends after 4 of its 5 bytes\n");
}

// A link already in the target is never written through: the files below it are named and the
// others extracted.
TEST(DamagedBox, ALinkInTheTargetIsNotFollowed) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}, {"sub/note.txt", "note"}});
    ASSERT_EQ(Vkx({"create", "src", "-q"}, work.Str()).exitCode, 0);
    fs::create_directories(work / "out");
    fs::create_directories(work / "elsewhere");
    fs::create_symlink("../elsewhere", work / "out/sub");
    VkxResult extracted = Vkx({"extract", "src.vkx", "-C", "out", "-q"}, work.Str());
    EXPECT_EQ(extracted.exitCode, 5) << extracted.err;
    EXPECT_EQ(extracted.err,
              "vkx: out/sub/note.txt: not extracted: its folder is a symbolic link (out/sub)\n");
    EXPECT_EQ(ReadFile(work / "out/a.txt"), "a");
    EXPECT_TRUE(fs::is_empty(work / "elsewhere"));
}

}  // namespace
}  // namespace vko::test
