// SPDX-License-Identifier: GPL-3.0-or-later
// Boxes made by CreateBlock come back whole, through whole and single-file extraction.
#include "engine/BoxPath.h"
#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

using RoundTripTest = EngineFixture;

// Nested folders with capitals and non-ASCII names, and sizes around the block size.
Tree Sample() {
    Tree tree;
    uint32_t seed = 1;
    for (const char* folder : {"", "Photos/", "Photos/Été 2024/", "a/b/c/"}) {
        for (const size_t size : {0, 1, 131071, 131072, 131073, 300000}) {
            const std::string name = "File " + std::to_string(size) + (seed % 2 ? ".TXT" : ".bin");
            tree[std::string(folder) + name] = RandomBytes(size, seed++);
        }
    }
    tree["Photos/naïve café.txt"] = "non-ASCII";
    tree["Photos/Été 2024/Readme"] = std::string(5000, 'r');  // compresses well
    return tree;
}

// Folders come back with ASCII lower-case names; file names keep their case.
Tree AsExtracted(const Tree& tree) {
    Tree extracted;
    for (const auto& [path, contents] : tree) {
        const size_t cut = path.rfind('/') + 1;  // 0 for a file in the top folder
        extracted[BoxPath::AsciiLower(path.substr(0, cut)) + path.substr(cut)] = contents;
    }
    return extracted;
}

TEST_F(RoundTripTest, PlainAndCompressedBoxesComeBackWhole) {
    MakeTree(root, Sample());
    const Tree expected = AsExtracted(Sample());
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression);
        ASSERT_EQ(Create(compression), 1);
        const std::string whole = dir / ("whole" + std::to_string(compression));
        ASSERT_EQ(engine.ExtractBlock(box, whole, kPassword), 0);
        EXPECT_EQ(ReadTree(whole), expected);
        EXPECT_TRUE(Leftovers(whole).empty());

        const std::string chosen = dir / ("chosen" + std::to_string(compression));
        ASSERT_EQ(engine.DynamicExtractBlock(box, chosen, kPassword), 0);
        for (auto number = static_cast<int32_t>(engine.Files().size()); number >= 1; --number)
            engine.DynamicExtractToFile(number, chosen);
        engine.DynamicClose();
        EXPECT_EQ(ReadTree(chosen), expected);
        EXPECT_TRUE(host.messages.empty());
    }
}

}  // namespace
}  // namespace vko::test
