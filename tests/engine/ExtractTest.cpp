// Whole-box extraction: folders and failed expansion (stops of every kind: InterruptSweepTest).
#include <filesystem>

#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

class ExtractTest : public EngineFixture {
protected:
    std::string target = dir / "out";
};

TEST_F(ExtractTest, FoldersAreRecreatedInLowerCaseBelowAMissingTarget) {
    BoxLayout layout;
    layout.folders = {"Docs", "Sub\\Deep\\", "Other\\"};
    layout.files = {{2, "ReadMe.TXT", "x"}, {0, "Top.txt", "y"}};
    const std::string missing = dir / "new/two";
    ASSERT_EQ(engine.ExtractBlock(Forge(layout), missing, kPassword), 0);
    EXPECT_EQ(engine.RootPath(), missing + "/");
    EXPECT_EQ(Listing(missing), (Tree{{"other/", ""},
                                      {"sub/", ""},
                                      {"sub/deep/", ""},
                                      {"sub/deep/ReadMe.TXT", "x"},
                                      {"Top.txt", "y"}}));
}

// A compressed record with nothing stored stands for a file whose compression failed when the
// box was made: it is skipped without a message.
TEST_F(ExtractTest, CompressedRecordWithoutStoredBytesIsSkipped) {
    BoxLayout layout;
    layout.version = 2;
    layout.files = {{0, "lost", "was not compressed", std::string()}, {0, "kept", "k"}};
    ASSERT_EQ(engine.ExtractBlock(Forge(layout), target, kPassword), 0);
    EXPECT_EQ(ReadTree(target), (Tree{{"kept", "k"}}));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExtractTest, FailedExpansionAsksWhetherToAbort) {
    BoxLayout layout;
    layout.version = 2;
    layout.files = {{0, "a", "aaa"}, {0, "b", "bbb", DamagedStored("bbb")}, {0, "c", "ccc"}};
    const std::string path = Forge(layout);
    const std::string question = "Error Decompression " + target + "/b.zlib\r\n\r\nAbort?";
    for (const bool abort : {false, true}) {
        SCOPED_TRACE(abort);
        fs::remove_all(target);
        WriteFile(target + "/b", "old b");
        host.questions.clear();
        host.QueueAnswer(abort);
        EXPECT_EQ(engine.ExtractBlock(path, target, kPassword), abort ? 100 : 0);
        EXPECT_THAT(host.questions, ::testing::ElementsAre(question));
        // The stream stays for the user, and a good file of that name is not lost to it.
        Tree expected{{"a", "aaa"}, {"b", "old b"}, {"b.zlib", DamagedStored("bbb")}};
        if (!abort) expected["c"] = "ccc";
        EXPECT_EQ(ReadTree(target), expected);
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    }
}

}  // namespace
}  // namespace vko::test
