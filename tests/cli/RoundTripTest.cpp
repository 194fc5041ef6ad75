// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs of vkx: create, list, extract, and the trees that come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <tuple>

#include "cli/VkxRunner.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

const char* const kPassword = "correct horse";
const char* const kWrongPassword = "vkx: Password incorrect or header damaged\n";

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

// Plain boxes go through the defaults (box and folder named after the tree) and --quiet,
// compressed ones through --output, --name and --directory, and end with a summary.
TEST_P(RoundTrip, CreateListExtractGivesTheTreeBack) {
    const bool compressed = GetParam();
    TempDir work;
    MakeTree(work / "Docs", SampleTree());
    fs::create_directories(work / "out");

    std::vector<std::string> create{"create", "Docs"};
    std::string box = work / "Docs.vkx";
    if (compressed) {
        box = work / "boxes/named.vkx";
        create.insert(create.end(), {"-z", "--output", box, "--name", "My Box"});
    } else {
        create.push_back("--quiet");
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
    for (const std::string line :
         {compressed ? "Box:         My Box" : "Box:         Docs", "Root folder: Docs",
          compressed ? "Compressed:  yes" : "Compressed:  no", "photos\\2024\\Beach.jpg",
          "5 files, 137079 bytes"})
        EXPECT_NE(listed.out.find(line), std::string::npos) << line << " in " << listed.out;

    std::string target = work / "out/Docs";
    VkxResult extracted = compressed ? Vkx({"extract", box, "--directory", target})
                                     : Vkx({"extract", box, "--quiet"}, work / "out");
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

// One box of the sample tree, made on first use and shared by the tests that only read it.
const std::string& Box() {
    static const TempDir work;
    static const std::string box = [] {
        MakeTree(work / "Docs", SampleTree());
        EXPECT_EQ(Vkx({"create", work / "Docs", "-o", work / "docs.vkx", "-q"}).exitCode, 0);
        return work / "docs.vkx";
    }();
    return box;
}

// The JSON listing describes every file; its numbers and paths select entries to extract.
TEST(MadeBox, JsonListingAndEntriesByNumberAndByPath) {
    TempDir work;
    VkxResult listed = Vkx({"list", Box(), "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    auto box = nlohmann::json::parse(listed.out);
    EXPECT_EQ(box["name"], "Docs");
    EXPECT_EQ(box["root"], "Docs");
    EXPECT_EQ(box["version"], 1);
    EXPECT_EQ(box["compressed"], false);
    EXPECT_EQ(box["format"], "1");
    EXPECT_EQ(box["sealed"], true);
    ASSERT_EQ(box["files"].size(), SampleTree().size());
    int64_t total = 0;
    std::string deepFile;
    for (size_t i = 0; i < box["files"].size(); ++i) {
        const auto& file = box["files"][i];
        EXPECT_EQ(file["index"], i + 1);
        const std::string path = file["path"];
        if (path == "docs/deep/er/x.bin") deepFile = file["index"].dump();
        ASSERT_TRUE(SampleTree().count(path)) << path;
        EXPECT_EQ(file["size"], SampleTree().at(path).size());
        EXPECT_EQ(file["stored"], file["size"]);
        total += file["size"].get<int64_t>();
    }
    EXPECT_EQ(box["totalSize"], total);

    // "/" may stand for "\"; a file named twice is written once, and counted once.
    const std::string target = work / "chosen";
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

// An unknown entry exits 2 naming it, a wrong password exits 1; neither writes anything (without
// -C the folder would be ./Docs).
TEST(MadeBox, RefusedRunsWriteNothing) {
    TempDir elsewhere;  // without -C the folder would be ./Docs
    const std::string t = elsewhere / "t";
    const std::tuple<std::vector<std::string>, const char*, int, std::string> cases[] = {
        {{"extract", Box(), "-C", t, "1", "0"}, kPassword, 2, "0"},
        {{"extract", Box(), "-C", t, "1", "6"}, kPassword, 2, "6"},
        {{"extract", Box(), "1", "photos\\missing.txt"}, kPassword, 2, "photos\\missing.txt"},
        {{"extract", Box(), "-C", t}, "not it", 1, kWrongPassword},
        {{"extract", Box()}, "not it", 1, kWrongPassword},
        {{"list", Box()}, "not it", 1, kWrongPassword}};
    for (const auto& [args, password, exitCode, err] : cases) {
        VkxResult result = RunVkx({args, elsewhere.Str(), password, {}});
        EXPECT_EQ(result.exitCode, exitCode) << args.back() << ": " << result.err;
        EXPECT_NE(result.err.find(err), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
}

// Names are whatever bytes their maker chose: JSON gives a name that is not UTF-8 exactly (in
// hex beside its readable form), a terminal is not handed control sequences, and every entry,
// one named like a number too, can be chosen by what the JSON listing says.
TEST(Listing, EveryNameIsListedSafelyAndCanBeChosenExactly) {
    TempDir work;
    const Tree tree = {{"2", "named two"}, {"red\x1b[31m.txt", "y"}, {"sub/\xff.txt", "x"}};
    MakeTree(work / "src", tree);
    ASSERT_EQ(Vkx({"create", "src", "-q"}, work.Str()).exitCode, 0);

    VkxResult json = Vkx({"list", "src.vkx", "--json"}, work.Str());
    ASSERT_EQ(json.exitCode, 0) << json.err;
    std::vector<std::string> args{"extract", "src.vkx", "-C", "out", "-q"};
    const auto listed = nlohmann::json::parse(json.out);  // outlives the loop over its files
    ASSERT_EQ(listed["files"].size(), tree.size());
    for (const auto& file : listed["files"]) {
        std::string path = file["path"];
        if (file.contains("pathHex")) {
            EXPECT_EQ(path, "sub/\xEF\xBF\xBD.txt");
            path.clear();
            const std::string hex = file["pathHex"];
            for (size_t i = 0; i < hex.size(); i += 2)
                path += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        }
        ASSERT_TRUE(tree.count(path)) << path;
        args.push_back(path == "2" ? "./2" : path);
    }
    VkxResult extracted = Vkx(args, work.Str());
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(ReadTree(work / "out"), tree);

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

// A changed byte in a file's stored bytes fails its tag: verify and extract name the file (exit
// 5) and extract writes it only when told --keep-damaged (its stream, which no longer expands,
// is then kept beside it); every other file is extracted. The header and seal still verify, so a
// listing finds nothing wrong.
TEST(DamagedBox, AFileThatFailsItsTagIsNamedAndWrittenOnlyWhenAsked) {
    TempDir work;
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of the report\n";
    MakeTree(work / "src", {{"report.txt", text}, {"b.txt", "intact"}});
    ASSERT_EQ(Vkx({"create", "src", "-z", "-q"}, work.Str()).exitCode, 0);
    // report.txt is stored last (files are taken in name order), before the seal of 4 tags.
    std::string bytes = ReadFile(work / "src.vkx");
    bytes[bytes.size() - 64 - 200] ^= 0x55;
    WriteFile(work / "src.vkx", bytes);
    const std::string failed = "report.txt: damaged: its contents do not match their tag";
    const std::tuple<std::vector<std::string>, int, std::string, Tree> cases[] = {
        {{"list"}, 0, "", {}},
        {{"verify"}, 5, "vkx: " + failed + "\n", {}},
        {{"extract", "-C", "out"}, 5, "vkx: out/" + failed + "; not extracted\n",
         {{"b.txt", "intact"}}},
        {{"extract", "-C", "out", "report.txt"}, 5, "vkx: out/" + failed + "; not extracted\n", {}},
        {{"extract", "-C", "out", "--keep-damaged"}, 5,
         "vkx: out/" + failed + "; extracted as they are, as asked\n",
         {{"b.txt", "intact"}, {"report.txt.zlib", "?"}}},
    };
    for (const auto& [args, exitCode, err, tree] : cases) {
        SCOPED_TRACE(args.back());
        fs::remove_all(work / "out");
        std::vector<std::string> command{args[0], "src.vkx"};
        if (args[0] != "list") command.push_back("-q");
        command.insert(command.end(), args.begin() + 1, args.end());
        VkxResult run = Vkx(command, work.Str());
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        EXPECT_TRUE(run.err.starts_with(err)) << run.err;
        if (args[0] != "extract") continue;
        Tree written = ReadTree(work / "out");
        if (written.contains("report.txt.zlib")) written["report.txt.zlib"] = "?";
        EXPECT_EQ(written, tree);
    }
}

// A file already there is kept and named unless --overwrite or --skip-existing says otherwise;
// nothing beside the box's own files is touched (a user's "<name>.zlib" included); files made
// are private.
TEST(Extract, FilesAlreadyThereAreKeptUnlessToldOtherwise) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "new a"}, {"b.txt", "new b"}});
    ASSERT_EQ(Vkx({"create", "src", "-z", "-q"}, work.Str()).exitCode, 0);
    const std::tuple<std::vector<std::string>, int, std::string, std::string> cases[] = {
        {{}, 5, "vkx: out/a.txt: exists, kept\n", "old a"},
        {{"--keep-existing"}, 5, "vkx: out/a.txt: exists, kept\n", "old a"},
        {{"--skip-existing"}, 0, "", "old a"},
        {{"--overwrite"}, 0, "", "new a"},
    };
    for (const auto& [flags, exitCode, err, a] : cases) {
        SCOPED_TRACE(flags.empty() ? "default" : flags[0]);
        fs::remove_all(work / "out");
        MakeTree(work / "out", {{"a.txt", "old a"}, {"b.txt.zlib", "mine"}});
        std::vector<std::string> args{"extract", "src.vkx", "-C", "out", "-q"};
        args.insert(args.end(), flags.begin(), flags.end());
        VkxResult run = Vkx(args, work.Str());
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        EXPECT_EQ(run.err, err);
        EXPECT_EQ(ReadTree(work / "out"),
                  (Tree{{"a.txt", a}, {"b.txt", "new b"}, {"b.txt.zlib", "mine"}}));
        EXPECT_EQ(fs::status(work / "out/b.txt").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
    }
}

// -o through a symbolic link writes the box over the file the link leads to; the link stays.
TEST(Create, ABoxGivenThroughALinkReplacesTheFileItLeadsTo) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    WriteFile(work / "real/box.vkx", "an older box");
    fs::create_symlink("real/box.vkx", work / "link.vkx");
    ASSERT_EQ(Vkx({"create", "src", "-o", "link.vkx", "-q"}, work.Str()).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(work / "link.vkx"));
    EXPECT_EQ(Vkx({"list", "real/box.vkx"}, work.Str()).exitCode, 0);
}

// A box cut short by an interrupted copy is damaged, not locked: its seal no longer verifies,
// so the box is named and none of it counts as verified (exit 5), but every file whose tag is
// still there and matches comes out, and the password is not blamed.
TEST(DamagedBox, ABoxOneByteShortGivesEveryFileThatVerifiesAndExitsFive) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "first"}, {"b.txt", "second"}, {"c.txt", "third"}});
    ASSERT_EQ(Vkx({"create", "src", "-q"}, work.Str()).exitCode, 0);
    std::string bytes = ReadFile(work / "src.vkx");
    bytes.pop_back();
    WriteFile(work / "src.vkx", bytes);
    const std::string cut =
        "src.vkx: damaged box: its seal is cut short; no file in it counts as verified\n";

    VkxResult listed = Vkx({"list", "src.vkx"}, work.Str());
    EXPECT_EQ(listed.exitCode, 5) << listed.err;
    EXPECT_NE(listed.out.find("Sealed:      no (damaged)\n"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.err, "vkx: " + cut);
    VkxResult json = Vkx({"list", "src.vkx", "--json"}, work.Str());
    EXPECT_EQ(json.exitCode, 5) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out)["sealed"], false);
    EXPECT_EQ(nlohmann::json::parse(json.out)["problems"][0]["path"], "src.vkx");

    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"extract", "src.vkx", "-C", "out", "-q"}, {"verify", "src.vkx"}}) {
        VkxResult run = Vkx(command, work.Str());
        EXPECT_EQ(run.exitCode, 5) << run.err;
        EXPECT_EQ(run.err, "vkx: " + cut);
    }
    EXPECT_EQ(ReadTree(work / "out"),
              (Tree{{"a.txt", "first"}, {"b.txt", "second"}, {"c.txt", "third"}}));
}

}  // namespace
}  // namespace vko::test
