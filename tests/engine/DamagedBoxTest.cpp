// SPDX-License-Identifier: GPL-3.0-or-later
// Boxes whose tables are sound but whose data area is cut short or has bytes appended, or whose
// records cannot all be written as they are: they read, every file the box holds whole comes
// out, and every other one is named, never written cut nor over another.
#include <algorithm>
#include <filesystem>

#include "engine/EngineFixture.h"
#include "engine/HostileBoxes.h"

using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace vko::test {
namespace {

namespace fs = std::filesystem;
using DamagedBoxTest = EngineFixture;

// The engine's problems as "path: fate" ("trailing" for bytes after the last file).
std::vector<std::string> Fates(const std::vector<FileProblem>& problems) {
    std::vector<std::string> seen;
    for (const FileProblem& problem : problems)
        seen.push_back(problem.path + ": " +
                       (problem.reason.find("follow") != std::string::npos
                            ? "trailing"
                            : problem.reason.substr(0, problem.reason.find(':'))));
    return seen;
}

TEST_F(DamagedBoxTest, WholeFilesComeOutAndTheOthersAreNamed) {
    for (const Damaged& fixture : DamagedBoxes()) {
        SCOPED_TRACE(fixture.name);
        BoxLayout layout = BaseLayout(fixture.version);
        fixture.damage(layout);
        const std::string path = Forge(layout, std::string(fixture.name) + ".vkx");
        const std::string target = dir / fixture.name;
        // The problems expected, each file named by prefix and its path as the box or the file
        // system writes it.
        const auto expected = [&](const std::string& prefix, const char* b) {
            std::vector<std::string> fates;
            for (const auto& [file, fate] : {std::pair{"a.txt", fixture.a}, {b, fixture.b}})
                if (std::string(fate) != "whole") fates.push_back(prefix + file + ": " + fate);
            if (fixture.trailing) fates.push_back(path + ": trailing");
            return fates;
        };
        Tree whole;
        if (std::string(fixture.a) == "whole") whole["a.txt"] = "hello";
        if (std::string(fixture.b) == "whole") whole["sub/b.txt"] = "world!";

        // A wrong password still cannot read it.
        EXPECT_EQ(engine.ViewBlock(path, "wrong"), 1);
        EXPECT_EQ(engine.ExtractBlock(path, target, "wrong"), 1);
        EXPECT_FALSE(std::filesystem::exists(target));
        host.messages.clear();

        ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
        EXPECT_EQ(engine.Files().size(), 2u);
        EXPECT_EQ(Fates(engine.Problems()), expected("", "sub\\b.txt"));

        ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), 0);
        EXPECT_EQ(ReadTree(target), whole);
        EXPECT_EQ(Fates(engine.Problems()), expected(target + "/", "sub/b.txt"));
        EXPECT_THAT(host.messages, IsEmpty());
        EXPECT_THAT(Leftovers(target), IsEmpty());

        // File by file: the files asked for and not held whole are named.
        const std::string single = target + "-single";
        ASSERT_EQ(engine.DynamicExtractBlock(path, single, kPassword), 0);
        EXPECT_THAT(engine.Problems(), IsEmpty());
        engine.DynamicExtractToFile(1, single);
        engine.DynamicExtractToFile(2, single);
        EXPECT_EQ(ReadTree(single), whole);
        EXPECT_EQ(engine.Problems().size(), 2 - whole.size());
        engine.DynamicClose();
    }
}

TEST_F(DamagedBoxTest, ReasonsSayHowMuchIsThere) {
    BoxLayout layout = BaseLayout(1);
    layout.stream = true;  // format 1: TamperTest
    layout.files.push_back({0, "big", std::string(5000, 'z')});
    layout.truncateTo = BuildBox(layout, kPassword).size() - 1000;
    const std::string path = Forge(layout);
    ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
    EXPECT_EQ(engine.Problems(),
              (std::vector<FileProblem>{
                  {"big", "cut short: the box ends after 4,000 of its 5,000 bytes"}}));
    layout.truncateTo.reset();
    layout.trailing = "xy";
    ASSERT_EQ(engine.ViewBlock(Forge(layout), kPassword), 0);
    ASSERT_EQ(engine.Problems().size(), 1u);
    EXPECT_THAT(engine.Problems()[0].reason, StartsWith("2 bytes follow the last file's contents"));
}

struct RecordCase {
    const char* label;
    uint8_t version;
    std::vector<BoxEntry> files;  // in the folders "Docs", "sub\\"
    Tree after;
    std::vector<std::pair<std::string, std::string>> named;  // path below the target, reason
};

const char* const kTwice = "damaged: the box holds this path twice; only its first file is taken";

// clang-format off
const RecordCase kRecordCases[] = {
    {"same path twice", 1, {{0, "a", "first"}, {0, "a", "second"}}, {{"a", "first"}},
     {{"a", kTwice}}},
    {"same path by both root numbers", 2, {{1, "a", "first"}, {0, "a", "second"}},
     {{"a", "first"}}, {{"a", kTwice}}},
    {"same path in a folder", 0, {{2, "b", "first"}, {2, "B", "other"}, {2, "b", "second"}},
     {{"sub/b", "first"}, {"sub/B", "other"}}, {{"sub/b", kTwice}}},
    {"a file where a folder goes", 1, {{0, "sub", "clash"}, {2, "b", "b"}}, {{"sub/b", "b"}},
     {{"sub", "damaged: the box holds a folder of this path"}}},
    {"nothing stored for a file", 2, {{0, "lost", "12345", std::string()}, {0, "kept", "k"}},
     {{"kept", "k"}},
     {{"lost", "damaged: none of its 5 bytes are stored (its compression failed when the box "
               "was made)"}}},
    {"nothing stored for an empty file", 2, {{0, "empty", "", std::string()}},
     {{"empty", ""}}, {}},
};
// clang-format on

// Listed, extracted whole and file by file, even where the caller lets files be replaced: a
// record that would replace another file of the box, or that cannot be a file, is named and
// not written.
TEST_F(DamagedBoxTest, RecordsThatCannotBeWrittenAsTheyAreAreNamed) {
    engine.SetExistingFiles(ExistingFiles::kReplace);
    for (const RecordCase& c : kRecordCases) {
        SCOPED_TRACE(c.label);
        BoxLayout layout;
        layout.version = c.version;
        layout.folders = {"Docs", "sub\\"};
        layout.files = c.files;
        const std::string path = Forge(layout);
        const std::string target = dir / "out";
        const auto named = [&](const std::string& base, bool boxPaths) {
            std::vector<FileProblem> problems;
            for (auto [file, reason] : c.named) {
                if (boxPaths) std::replace(file.begin(), file.end(), '/', '\\');
                problems.push_back({base + file, reason});
            }
            return problems;
        };
        ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
        EXPECT_EQ(engine.Problems(), named("", true));
        for (const bool fileByFile : {false, true}) {
            fs::remove_all(target);
            if (fileByFile) {
                ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
                for (int32_t n = 1; n <= static_cast<int32_t>(c.files.size()); ++n)
                    engine.DynamicExtractToFile(n, target);
                engine.DynamicClose();
            } else {
                ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), 0);
            }
            EXPECT_EQ(ReadTree(target), c.after) << fileByFile;
            EXPECT_EQ(engine.Problems(), named(target + "/", false)) << fileByFile;
        }
    }
}

}  // namespace
}  // namespace vko::test
