// Whole-box extraction: folders, failed expansion, cancelling, and what is left on disk when a
// run stops.
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

// Cancelling at every point where the flag is polled: each file is either its old version or
// completely extracted, files are extracted in table order, and no temporary file is left.
TEST_F(ExtractTest, CancelAtEveryPollLeavesWholeFilesOnly) {
    for (const uint8_t version : {1, 2}) {
        BoxLayout layout;
        layout.version = version;
        layout.folders = {"Docs", "sub\\"};
        layout.files = {{0, "a", "new a"}, {0, "big", RandomBytes(300000, 5)}, {2, "c", "new c"}};
        const std::string path = Forge(layout, "box" + std::to_string(version) + ".vkx");
        const Tree old{{"a", "old a"}, {"big", "old big"}, {"sub/c", "old c"}};
        const Tree complete{{"a", "new a"}, {"big", layout.files[1].contents}, {"sub/c", "new c"}};

        FakeHost counter;
        ASSERT_EQ(CCipherBlock(counter).ExtractBlock(path, dir / "count", kPassword), 0);
        ASSERT_GT(counter.polls, 5);
        for (int poll = 1; poll <= counter.polls; ++poll) {
            SCOPED_TRACE("version " + std::to_string(version) + ", poll " + std::to_string(poll));
            const std::string out = dir / ("cancel" + std::to_string(poll));
            MakeTree(out, old);
            FakeHost cancelling;
            cancelling.CancelAtPoll(poll);
            EXPECT_EQ(CCipherBlock(cancelling).ExtractBlock(path, out, kPassword), 3);
            EXPECT_THAT(Leftovers(out), ::testing::IsEmpty());
            const Tree after = ReadTree(out);
            bool stillOld = false;
            for (const auto& [name, contents] : after) {
                ASSERT_TRUE(contents == old.at(name) || contents == complete.at(name)) << name;
                const bool isOld = contents == old.at(name);
                EXPECT_FALSE(stillOld && !isOld)
                    << name << " extracted after an earlier one was not";
                stillOld = stillOld || isOld;
            }
            if (poll == counter.polls) {
                EXPECT_EQ(after, complete);
            }
        }
    }
}

}  // namespace
}  // namespace vko::test
