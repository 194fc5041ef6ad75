// Boxes made by CreateBlock come back whole, through whole and single-file extraction.
#include "engine/BoxPath.h"
#include "engine/ReaderFixture.h"

namespace vko::test {
namespace {

class RoundTripTest : public ReaderFixture {
protected:
    std::string Create(const Tree& tree, int16_t compression, const std::string& name) {
        const std::string source = dir / ("src-" + name);
        MakeTree(source, tree);
        const std::string box = dir / (name + ".vkx");
        EXPECT_EQ(engine.CreateBlock(box, name, kPassword, source, 0, compression), 1);
        return box;
    }
};

// Nested folders with capitals and non-ASCII names, and sizes around the block size.
Tree Sample() {
    Tree tree;
    const char* folders[] = {"", "Photos/", "Photos/Été 2024/", "a/b/c/"};
    const size_t sizes[] = {0, 1, 131071, 131072, 131073, 300000};
    uint32_t seed = 1;
    for (const char* folder : folders) {
        for (const size_t size : sizes) {
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
        const size_t slash = path.rfind('/');
        const size_t cut = slash == std::string::npos ? 0 : slash + 1;
        extracted[BoxPath::AsciiLower(path.substr(0, cut)) + path.substr(cut)] = contents;
    }
    return extracted;
}

TEST_F(RoundTripTest, PlainAndCompressedBoxesComeBackWhole) {
    const Tree tree = Sample();
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression);
        const std::string box = Create(tree, compression, "box" + std::to_string(compression));
        const std::string whole = dir / ("whole" + std::to_string(compression));
        ASSERT_EQ(engine.ExtractBlock(box, whole, kPassword), 0);
        EXPECT_EQ(ReadTree(whole), AsExtracted(tree));
        EXPECT_TRUE(host.messages.empty());
        EXPECT_TRUE(Leftovers(whole).empty());

        const std::string chosen = dir / ("chosen" + std::to_string(compression));
        ASSERT_EQ(engine.DynamicExtractBlock(box, chosen, kPassword), 0);
        const auto count = static_cast<int32_t>(engine.Files().size());
        for (int32_t number = count; number >= 1; --number)
            engine.DynamicExtractToFile(number, chosen);
        engine.DynamicClose();
        EXPECT_EQ(ReadTree(chosen), AsExtracted(tree));
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST_F(RoundTripTest, SameTreeGivesTheSameBox) {
    const Tree tree = Sample();
    for (const int16_t compression : {0, 1}) {
        const std::string first = ReadFile(Create(tree, compression, "again"));
        EXPECT_EQ(ReadFile(Create(tree, compression, "again")), first) << compression;
    }
}

}  // namespace
}  // namespace vko::test
