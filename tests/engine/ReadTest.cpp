// Reading box headers of every version, legacy boxes, files that are not boxes, repeat reads.
#include <filesystem>
#include <functional>

#include "crypto/CCipher.h"
#include "crypto/KeyHold.h"
#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"

using ::testing::ElementsAre;

namespace vko::test {
namespace {

using ReadTest = EngineFixture;

BoxLayout Holiday(uint8_t version) {
    BoxLayout layout;
    layout.version = version;
    layout.name = "Holiday";
    layout.folders = {"Photos", "raw\\", "raw\\day 2\\"};
    layout.files = {{0, "index.txt", "abc"},
                    {2, "a.jpg", RandomBytes(1000, 1)},
                    {3, "b.jpg", RandomBytes(20, 2)}};
    return layout;
}

TEST_F(ReadTest, EveryVersionReadsBack) {
    for (const uint8_t version : {0, 1, 2}) {
        SCOPED_TRACE(int{version});
        BoxLayout empty;
        empty.version = version;
        empty.folders = {"My Docs"};
        ASSERT_EQ(engine.ViewBlock(Forge(empty), kPassword), 0);
        EXPECT_TRUE(engine.Files().empty());
        EXPECT_THAT(engine.Directories(), ElementsAre("my docs", ""));
        EXPECT_EQ(engine.RootPath(), "My Docs");
        EXPECT_EQ(engine.DataByteCount(), 0);

        ASSERT_EQ(engine.ViewBlock(Forge(Holiday(version)), kPassword), 0);
        EXPECT_THAT(engine.Directories(), ElementsAre("photos", "raw\\", "raw\\day 2\\", ""));
        EXPECT_EQ(engine.BlockName(), "Holiday");
        EXPECT_EQ(engine.BlockVersion(), version);
        EXPECT_EQ(engine.Compressed(), version == 2 ? 1 : 0);
        int64_t stored = 0;
        for (int32_t i = 0; i < 3; ++i) stored += engine.Record(i).Stored;
        EXPECT_EQ(engine.DataByteCount(), stored);
        EXPECT_EQ(engine.Record(1).Stored != engine.Record(1).Size, version == 2);

        std::string name, folder;
        int32_t size = 0;
        engine.ParseBlockInfo(2, name, folder, size);
        EXPECT_EQ(name, "b.jpg");
        EXPECT_EQ(folder, "raw\\day 2\\");
        EXPECT_EQ(size, engine.Record(2).Stored);
        engine.ParseBlockInfo(0, name, folder, size);
        EXPECT_EQ(folder, "");
    }
}

TEST_F(ReadTest, LegacyBoxNeedsItsPasswordAndExtracts) {
    const BoxLayout layout = Holiday(0);
    const std::string path = Forge(layout);
    EXPECT_EQ(engine.ViewBlock(path, "wrong"), 1);
    const std::string target = dir / "out";
    ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), 0);
    EXPECT_EQ(ReadTree(target), (Tree{{"index.txt", "abc"},
                                      {"raw/a.jpg", layout.files[1].contents},
                                      {"raw/day 2/b.jpg", layout.files[2].contents}}));
}

TEST_F(ReadTest, FilesThatAreNotBoxes) {
    WriteFile(dir / "text.txt", "\x07 plain text, not a box");
    WriteFile(dir / "empty.vkx", "");
    std::filesystem::create_directories(dir / "folder.vkx");
    for (const std::string name : {"text.txt", "empty.vkx", "folder.vkx", "missing.vkx"})
        EXPECT_EQ(engine.ViewBlock(dir / name, kPassword), 1) << name;
}

// A failed read keeps the last box; a box reads the same whatever ran before; no read leaves
// the password's key in the cipher.
TEST_F(ReadTest, ReadsDoNotLeakIntoEachOther) {
    const std::string first = Forge(Holiday(2));
    BoxLayout other;
    other.folders = {"Other", "x\\", "y\\"};
    other.files = {{3, "z", "1"}};
    const std::string second = Forge(other, "other.vkx");

    ASSERT_EQ(engine.ViewBlock(first, kPassword), 0);
    const auto files = engine.Files();
    const auto folders = engine.Directories();
    EXPECT_EQ(engine.ViewBlock(second, "wrong"), 1);
    EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    EXPECT_EQ(engine.Files(), files);
    EXPECT_EQ(engine.Directories(), folders);
    EXPECT_EQ(engine.BlockName(), "Holiday");
    EXPECT_EQ(engine.Compressed(), 1);

    ASSERT_EQ(engine.ExtractBlock(second, dir / "out", kPassword), 0);
    ASSERT_EQ(engine.ViewBlock(first, kPassword), 0);
    EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    EXPECT_EQ(engine.Files(), files);
    EXPECT_EQ(engine.Directories(), folders);
    EXPECT_EQ(engine.RootPath(), "Photos");
}

// A front end that holds the key (vkx for a command, the desktop while it remembers the
// password) derives it once for a whole job, whatever operations the job runs; the key goes with
// the hold.
TEST_F(ReadTest, AHeldKeyIsDerivedOncePerJob) {
    const std::string path = Forge(Holiday(2));
    const std::function<void()> jobs[] = {
        [&] {
            ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
            ASSERT_EQ(engine.ExtractBlock(path, dir / "all", kPassword), 0);
        },
        [&] {
            ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
            ASSERT_EQ(engine.DynamicExtractBlock(path, dir / "some", kPassword), 0);
            engine.DynamicExtractToFile(3, dir / "some");
            engine.DynamicExtractToFile(1, dir / "some");
            engine.DynamicClose();
        },
        [&] {
            MakeTree(root, {{"x", "x"}, {"y/z", "z"}});
            ASSERT_EQ(Create(1), 1);
            ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
            ASSERT_EQ(engine.ExtractBlock(box, dir / "made", kPassword), 0);
        },
    };
    for (size_t i = 0; i < std::size(jobs); ++i) {
        SCOPED_TRACE(i);
        CCipher().Clear();  // forging the box keyed the cipher
        const long before = cipherlib_testing::KeyDerivations();
        {
            const crypto::KeyHold hold;
            jobs[i]();
            EXPECT_TRUE(cipherlib_testing::HoldsPasswordKey());
        }
        EXPECT_EQ(cipherlib_testing::KeyDerivations() - before, 1);
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    }
}

}  // namespace
}  // namespace vko::test
