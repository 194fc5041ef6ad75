// Shredding the sources once their box is complete.
#include <filesystem>

#include "engine/BlockShred.h"
#include "engine/EngineFixture.h"
#include "util/Failure.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace vko::test {
namespace {

using ShredTest = EngineFixture;

TEST_F(ShredTest, OverwritesAndRemovesEverySourceOnceTheBoxIsComplete) {
    const std::string big = RandomBytes(1048576 + 5, 5);
    MakeTree(root,
             {{"a.bin", big}, {"empty.txt", ""}, {"Sub/Deep/b.txt", "b"}, {"x/y/z/c.txt", "c"}});
    // A second name for a.bin keeps its contents readable after the shredding unlinks it.
    fs::create_hard_link(Source("a.bin"), dir / "witness");
    events.onEvent = [&](const std::string& line) {
        if (line.starts_with("ShredFile")) {
            EXPECT_TRUE(fs::exists(box)) << "box committed first";
        }
    };
    ASSERT_EQ(Create(0, 1), 1);

    EXPECT_FALSE(fs::exists(root));
    EXPECT_THAT(events.Named("ShredFile"),
                ElementsAre("ShredFile 1 4 " + Source("a.bin") + " 5 1048581",
                            "ShredFile 1 4 " + Source("a.bin") + " 0 1048581",
                            "ShredFile 3 4 " + Source("Sub/Deep/b.txt") + " 0 1",
                            "ShredFile 4 4 " + Source("x/y/z/c.txt") + " 0 1"));
    EXPECT_EQ(events.lines.back(), "RemoveDirectory");
    const std::string overwritten = ReadFile(dir / "witness");
    ASSERT_EQ(overwritten.size(), big.size());
    EXPECT_NE(overwritten.substr(0, 1048576), big.substr(0, 1048576));
    EXPECT_NE(overwritten.substr(1048576), big.substr(1048576));
    EXPECT_EQ(ReadStored(box, kPassword).at(0).bytes, big);
    EXPECT_TRUE(BlockShred::IsFileSystemRoot("/"));
    EXPECT_FALSE(BlockShred::IsFileSystemRoot("/a/"));
}

TEST_F(ShredTest, LinkIsRemovedWithoutWritingThroughIt) {
    MakeTree(root, {{"a.txt", "a"}});
    WriteFile(dir / "outside.txt", "not part of the folder");
    fs::create_symlink(dir / "outside.txt", Source("link.txt"));
    ASSERT_EQ(Create(0, 1), 1);
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(ReadFile(dir / "outside.txt"), "not part of the folder");
    EXPECT_EQ(ReadStored(box, kPassword).at(1).bytes, "not part of the folder");
}

// Whatever was not boxed keeps its folder; the box itself is never shredded.
TEST_F(ShredTest, FolderStillHoldingUnboxedFilesFailsAfterTheBoxIsComplete) {
    MakeTree(root, {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    box = Source("box.vkx");
    try {
        (void)Create(0, 1);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.Description(), ::testing::HasSubstr(root));
    }
    EXPECT_FALSE(fs::exists(Source("a.txt")));
    EXPECT_FALSE(fs::exists(Source("sub")));
    EXPECT_EQ(ReadStored(box, kPassword).at(1).bytes, "b");
}

}  // namespace
}  // namespace vko::test
