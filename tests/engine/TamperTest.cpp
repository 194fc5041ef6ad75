// SPDX-License-Identifier: GPL-3.0-or-later
// Boxes changed after they were made: a flipped bit in each unit, in a file's piece and in the
// seal, a file taken from another box, a box cut short. Every change is named; nothing damaged is
// written unless asked for, and nothing whose tag verifies is called damaged.
#include <algorithm>
#include <functional>

#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

using TamperTest = EngineFixture;

// Where the parts of the box lie: a.bin's and b.txt's stored bytes and the seal (the header's units
// lie at 1, 2, 5, 9, 14 and 18 with the name "Box" and "Docs"; each labels the next, so a changed
// header never reads).
struct Places {
    size_t a, b, seal;
    std::string other;  // the same folder boxed with other contents of a.bin (as long)
};

struct TamperCase {
    const char* label;
    std::function<void(std::string& box, const Places& at)> tamper;
    bool readable;
    std::vector<std::string> named;  // "box", "a.bin", "b.txt" (extraction, verify, file by file)
    Tree extracted;                  // "a" / "A": a.bin as boxed / as in the other box
    bool keep = false;
};

void Flip(std::string& box, size_t at) {
    box[at] = static_cast<char>(box[at] ^ 0x10);
}

// clang-format off
const TamperCase kCases[] = {
    {"N", [](std::string& x, const Places&) { Flip(x, 1); }, false, {}, {}},
    {"box name", [](std::string& x, const Places&) { Flip(x, 2); }, false, {}, {}},
    {"D", [](std::string& x, const Places&) { Flip(x, 5); }, false, {}, {}},
    {"folder table", [](std::string& x, const Places&) { Flip(x, 9); }, false, {}, {}},
    {"F", [](std::string& x, const Places&) { Flip(x, 14); }, false, {}, {}},
    {"file table", [](std::string& x, const Places&) { Flip(x, 20); }, false, {}, {}},
    {"a file's second piece", [](std::string& x, const Places& p) { Flip(x, p.a + 70000); }, true,
     {"a.bin"}, {{"b.txt", "b"}}},
    {"a file's piece in its second span",
     [](std::string& x, const Places& p) { Flip(x, p.a + 1'100'000); }, true, {"a.bin"},
     {{"b.txt", "b"}}},
    {"a file's piece, written as asked", [](std::string& x, const Places& p) { Flip(x, p.a + 9); },
     true, {"a.bin"}, {{"a.bin", "?"}, {"b.txt", "b"}}, true},
    {"T_0", [](std::string& x, const Places& p) { Flip(x, p.seal); }, true, {"box", "a.bin"},
     {{"b.txt", "b"}}},
    {"T_h", [](std::string& x, const Places& p) { Flip(x, p.seal + 32); }, true, {"box"},
     {{"a.bin", "a"}, {"b.txt", "b"}}},
    {"T_s", [](std::string& x, const Places& p) { Flip(x, p.seal + 47); }, true, {"box"},
     {{"a.bin", "a"}, {"b.txt", "b"}}},
    {"a file and its tag from another box", [](std::string& x, const Places& p) {
         x.replace(p.a, p.b - p.a, p.other.substr(p.a, p.b - p.a));
         x.replace(p.seal, 16, p.other.substr(p.seal, 16));
     }, true, {"box"}, {{"a.bin", "A"}, {"b.txt", "b"}}},
    {"cut inside the seal", [](std::string& x, const Places& p) { x.resize(p.seal + 20); }, true,
     {"box", "b.txt"}, {{"a.bin", "a"}}},
    {"cut in the data area", [](std::string& x, const Places& p) { x.resize(p.seal - 2); }, true,
     {"box", "a.bin", "b.txt"}, {}},
    {"bytes after the seal", [](std::string& x, const Places&) { x += "xy"; }, true, {"box"},
     {{"a.bin", "a"}, {"b.txt", "b"}}},
};
// clang-format on

// The problems as the names of the table, sorted.
std::vector<std::string> Named(const std::vector<FileProblem>& problems, const std::string& box) {
    std::vector<std::string> named;
    for (const FileProblem& problem : problems) {
        const std::string name = problem.path.substr(problem.path.rfind('/') + 1);
        named.push_back(problem.path == box ? "box" : name);
    }
    std::sort(named.begin(), named.end());
    return named;
}

TEST_F(TamperTest, EveryChangeIsNamedAndNothingDamagedIsWrittenUnasked) {
    // a.bin is taken in spans: more than one span of pieces.
    const std::string a = RandomBytes(1'200'000, 1), other = RandomBytes(1'200'000, 2);
    for (const int16_t compression : {0, 1}) {
        MakeTree(root, {{"a.bin", other}, {"b.txt", "hello"}});
        ASSERT_EQ(Create(compression), 1);
        Places at{0, 0, 0, ReadFile(box)};
        MakeTree(root, {{"a.bin", a}});
        ASSERT_EQ(Create(compression), 1);
        const std::string made = ReadFile(box);
        ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
        ASSERT_EQ(engine.Record(0).Name, "a.bin");
        at.a = static_cast<size_t>(engine.HeaderEnd());
        at.b = at.a + static_cast<size_t>(engine.Record(0).Stored);
        at.seal = at.b + static_cast<size_t>(engine.Record(1).Stored);
        for (const TamperCase& c : kCases) {
            if (c.keep && compression == 1) continue;  // a damaged stream: ReadTest
            SCOPED_TRACE(std::string(c.label) + (compression ? ", compressed" : ""));
            std::string changed = made;
            c.tamper(changed, at);
            const std::string path = dir / "changed.vkx";
            WriteFile(path, changed);
            const std::string target = dir / "out";
            std::filesystem::remove_all(target);
            Tree expected;
            for (const auto& [name, which] : c.extracted)
                expected[name] = which == "a" ? a : which == "A" ? other : which == "b" ? "hello" : "";
            std::vector<std::string> named = c.named;
            std::sort(named.begin(), named.end());

            engine.SetKeepDamaged(c.keep);
            EXPECT_EQ(engine.VerifyBlock(path, kPassword), c.readable ? 0 : 1);
            ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), c.readable ? 0 : 1);
            if (!c.readable) {
                EXPECT_FALSE(std::filesystem::exists(target));
                continue;
            }
            EXPECT_EQ(Named(engine.Problems(), path), named);
            Tree written = ReadTree(target);
            if (c.keep) written["a.bin"] = "";  // written as it was read, and named
            EXPECT_EQ(written, expected);
            EXPECT_EQ(engine.VerifyBlock(path, kPassword), 0);
            EXPECT_EQ(Named(engine.Problems(), path), named);

            std::filesystem::remove_all(target);
            ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
            for (const int32_t n : {1, 2}) engine.DynamicExtractToFile(n, target);
            EXPECT_EQ(Named(engine.Problems(), path), named);
            engine.DynamicClose();
            if (c.keep) continue;
            EXPECT_EQ(ReadTree(target), expected);
        }
        engine.SetKeepDamaged(false);
    }
}

}  // namespace
}  // namespace vko::test
