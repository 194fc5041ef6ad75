// Reading box headers: properties, legacy boxes, files that are not boxes, repeat reads.
#include <filesystem>

#include "crypto/cipherlib_testing.h"
#include "engine/ReaderFixture.h"

namespace vko::test {
namespace {

using ::testing::ElementsAre;

class HeaderTest : public ReaderFixture {};

BoxSpec TwoFolderBox(uint8_t version) {
    BoxSpec spec;
    spec.version = version;
    spec.name = "Holiday";
    spec.folders = {"Photos", "raw\\", "raw\\day 2\\"};
    spec.files = {{0, "index.txt", "abc"},
                  {2, "a.jpg", RandomBytes(1000, 1)},
                  {3, "b.jpg", RandomBytes(20, 2)}};
    return spec;
}

TEST_F(HeaderTest, EmptyFolderBoxReadsBack) {
    for (const uint8_t version : {0, 1, 2}) {
        BoxSpec spec;
        spec.version = version;
        spec.folders = {"My Docs"};
        ASSERT_EQ(engine.ViewBlock(Box(spec), kPassword), 0) << int{version};
        EXPECT_TRUE(engine.Files().empty());
        EXPECT_THAT(engine.Directories(), ElementsAre("my docs", ""));
        EXPECT_EQ(engine.RootPath(), "My Docs");
        EXPECT_EQ(engine.BlockName(), "Box");
        EXPECT_EQ(engine.BlockVersion(), version);
        EXPECT_EQ(engine.Compressed(), version == 2 ? 1 : 0);
        EXPECT_EQ(engine.DataByteCount(), 0);
    }
}

TEST_F(HeaderTest, PlainBoxRecordsAndHeaderEnd) {
    // Docs with a.txt of 3 bytes: 28 header bytes, then the file.
    BoxSpec spec;
    spec.name = "B";
    spec.files = {{0, "a.txt", "xyz"}};
    const std::string path = Box(spec);
    ASSERT_EQ(std::filesystem::file_size(path), 31u);
    ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
    EXPECT_EQ(engine.HeaderEnd(), 28);
    EXPECT_EQ(engine.DataByteCount(), 3);
    ASSERT_EQ(engine.Files().size(), 1u);
    EXPECT_EQ(engine.Files()[0], std::string("\0\0\3\0\0\0a.txt", 11));
    const FileRecord record = engine.Record(0);
    EXPECT_EQ(record.FolderNumber, 0);
    EXPECT_EQ(record.Size, 3);
    EXPECT_EQ(record.Stored, 3);
    EXPECT_EQ(record.Name, "a.txt");
}

TEST_F(HeaderTest, DataByteCountIsTheSumOfStoredSizes) {
    for (const uint8_t version : {0, 1, 2}) {
        ASSERT_EQ(engine.ViewBlock(Box(TwoFolderBox(version)), kPassword), 0);
        int64_t stored = 0;
        for (size_t i = 0; i < engine.Files().size(); ++i)
            stored += engine.Record(static_cast<int32_t>(i)).Stored;
        EXPECT_EQ(engine.DataByteCount(), stored) << int{version};
        if (version == 2) {
            EXPECT_NE(engine.Record(1).Stored, engine.Record(1).Size);
        }
    }
}

TEST_F(HeaderTest, ParseBlockInfoGivesStoredSizeAndFolderEntry) {
    for (const uint8_t version : {1, 2}) {
        ASSERT_EQ(engine.ViewBlock(Box(TwoFolderBox(version)), kPassword), 0);
        std::string name;
        std::string folder;
        int32_t size = 0;
        engine.ParseBlockInfo(2, name, folder, size);
        EXPECT_EQ(name, "b.jpg");
        EXPECT_EQ(folder, "raw\\day 2\\");
        EXPECT_EQ(size, engine.Record(2).Stored);
        EXPECT_EQ(size == 20, version == 1);
        engine.ParseBlockInfo(0, name, folder, size);
        EXPECT_EQ(folder, "");
    }
}

TEST_F(HeaderTest, LegacyBoxNeedsItsPassword) {
    BoxSpec spec = TwoFolderBox(0);
    const std::string path = Box(spec);
    EXPECT_EQ(engine.ViewBlock(path, "wrong"), 1);
    ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
    EXPECT_EQ(engine.BlockVersion(), 0);
    EXPECT_THAT(engine.Directories(), ElementsAre("photos", "raw\\", "raw\\day 2\\", ""));

    const std::string target = dir / "out";
    ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), 0);
    EXPECT_EQ(ReadTree(target), (Tree{{"index.txt", "abc"},
                                      {"raw/a.jpg", spec.files[1].contents},
                                      {"raw/day 2/b.jpg", spec.files[2].contents}}));
}

TEST_F(HeaderTest, FilesThatAreNotBoxes) {
    WriteFile(dir / "text.txt", "\x07 plain text, not a box");
    WriteFile(dir / "empty.vkx", "");
    std::filesystem::create_directories(dir / "folder.vkx");
    for (const std::string name : {"text.txt", "empty.vkx", "folder.vkx", "missing.vkx"})
        EXPECT_EQ(engine.ViewBlock(dir / name, kPassword), 1) << name;
}

TEST_F(HeaderTest, FailedReadKeepsTheLastBox) {
    ASSERT_EQ(engine.ViewBlock(Box(TwoFolderBox(2)), kPassword), 0);
    const auto files = engine.Files();
    const auto folders = engine.Directories();
    EXPECT_EQ(engine.ViewBlock(Box(TwoFolderBox(1), "other.vkx"), "wrong"), 1);
    EXPECT_EQ(engine.Files(), files);
    EXPECT_EQ(engine.Directories(), folders);
    EXPECT_EQ(engine.RootPath(), "Photos");
    EXPECT_EQ(engine.BlockName(), "Holiday");
    EXPECT_EQ(engine.Compressed(), 1);
}

TEST_F(HeaderTest, SameBoxReadsTheSameWhateverRanBefore) {
    const std::string first = Box(TwoFolderBox(1));
    BoxSpec other;
    other.folders = {"Other", "x\\", "y\\"};
    other.files = {{3, "z", "1"}};
    const std::string second = Box(other, "other.vkx");

    ASSERT_EQ(engine.ViewBlock(first, kPassword), 0);
    const auto files = engine.Files();
    const auto folders = engine.Directories();
    ASSERT_EQ(engine.ViewBlock(second, kPassword), 0);
    ASSERT_EQ(engine.ExtractBlock(second, dir / "out", kPassword), 0);
    ASSERT_EQ(engine.ViewBlock(first, kPassword), 0);
    EXPECT_EQ(engine.Files(), files);
    EXPECT_EQ(engine.Directories(), folders);
    EXPECT_EQ(engine.RootPath(), "Photos");
}

TEST_F(HeaderTest, ViewBlockLeavesNoPasswordKey) {
    const std::string path = Box(TwoFolderBox(1));
    for (const char* password : {kPassword, "wrong"}) {
        (void)engine.ViewBlock(path, password);
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey()) << password;
    }
}

}  // namespace
}  // namespace vko::test
