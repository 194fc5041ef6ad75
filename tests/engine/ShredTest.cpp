// Shredding the sources once their box is complete: no desktop or vkx gesture asks for it, so
// one pass over what must never go wrong.
#include <filesystem>

#include "engine/EngineFixture.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace vko::test {
namespace {

using ShredTest = EngineFixture;

// Contents are overwritten (a second name keeps them visible) only after the box is committed;
// a link is removed without writing through it; the box itself is never shredded, and the folder
// that still holds it fails, naming the folder.
TEST_F(ShredTest, OverwritesSourcesOnlyOnceTheBoxIsCompleteAndNeverThroughALink) {
    const std::string big = RandomBytes(1048576 + 5, 5);
    MakeTree(root, {{"a.bin", big}, {"empty.txt", ""}, {"Sub/Deep/b.txt", "b"}});
    fs::create_hard_link(Source("a.bin"), dir / "witness");
    WriteFile(dir / "outside.txt", "not part of the folder");
    fs::create_symlink(dir / "outside.txt", Source("link.txt"));
    events.onEvent = [&](const std::string& line) {
        if (line.starts_with("ShredFile")) {
            EXPECT_TRUE(fs::exists(box)) << "box committed first";
        }
    };
    ASSERT_EQ(Create(0, 1), 1);
    EXPECT_FALSE(fs::exists(root));
    const std::string overwritten = ReadFile(dir / "witness");
    ASSERT_EQ(overwritten.size(), big.size());
    EXPECT_NE(overwritten.substr(1048576), big.substr(1048576));
    EXPECT_EQ(ReadFile(dir / "outside.txt"), "not part of the folder");
    EXPECT_EQ(ReadStored(box, kPassword).at(0).bytes, big);

    MakeTree(root, {{"a.txt", "a"}});
    box = Source("box.vkx");
    EXPECT_THROW((void)Create(0, 1), Failure);
    EXPECT_FALSE(fs::exists(Source("a.txt")));
    EXPECT_EQ(ReadStored(box, kPassword).at(0).bytes, "a");
}

}  // namespace
}  // namespace vko::test
