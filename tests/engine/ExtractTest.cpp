// Whole-box extraction: chunking and progress, folders, empty files, failed expansion,
// cancelling, and what is left on disk when a run stops or fails.
#include <filesystem>

#include "crypto/cipherlib_testing.h"
#include "engine/BlockUnpack.h"
#include "engine/ReaderFixture.h"
#include "util/Failure.h"
#include "util/File.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class ExtractTest : public ReaderFixture {
protected:
    std::string target = dir / "out";
    std::string Dest(const std::string& relative) const { return target + "/" + relative; }
};

std::string Progress(int64_t read, int64_t total, int64_t left, int64_t size,
                     const std::string& path) {
    return "CipherProgress " + std::to_string(read) + " " + std::to_string(total) + " " +
           std::to_string(left) + " " + std::to_string(size) + " " + path;
}

TEST_F(ExtractTest, OneProgressEventPerChunk) {
    const struct {
        int32_t size;
        std::vector<int32_t> left;
    } cases[] = {{131071, {0}}, {131072, {0}}, {131073, {1, 0}}, {300000, {168928, 37856, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        BoxSpec spec;
        spec.folders = {"Docs", "sub\\"};
        spec.files = {{0, "big", RandomBytes(static_cast<size_t>(c.size), 3)},
                      {2, "t", "0123456789"}};
        events.lines.clear();
        ASSERT_EQ(engine.ExtractBlock(Box(spec), target, kPassword), 0);

        const int32_t total = c.size + 10;
        std::vector<std::string> expected;
        for (const int32_t left : c.left)
            expected.push_back(Progress(c.size - left, total, left, c.size, Dest("big")));
        expected.push_back(Progress(total, total, 0, 10, Dest("sub/t")));
        EXPECT_EQ(events.lines, expected);
        EXPECT_EQ(ReadTree(target),
                  (Tree{{"big", spec.files[0].contents}, {"sub/t", "0123456789"}}));
    }
}

TEST_F(ExtractTest, ThroughputIsTheChunkUnderASecondAndRoundsHalfToEven) {
    EXPECT_EQ(BlockUnpack::Throughput(131072, 0), 131072);
    EXPECT_EQ(BlockUnpack::Throughput(131072, 999), 131072);
    EXPECT_EQ(BlockUnpack::Throughput(131072, 1000), 131072);
    EXPECT_EQ(BlockUnpack::Throughput(131072, 2000), 65536);
    EXPECT_EQ(BlockUnpack::Throughput(5, 2000), 2);  // 2.5
    EXPECT_EQ(BlockUnpack::Throughput(7, 2000), 4);  // 3.5
    EXPECT_EQ(BlockUnpack::Throughput(9, 4000), 2);  // 2.25
}

TEST_F(ExtractTest, FoldersAreRecreatedInLowerCaseBelowAMissingTarget) {
    BoxSpec spec;
    spec.folders = {"Docs", "Sub\\Deep\\", "Other\\"};
    spec.files = {{2, "ReadMe.TXT", "x"}, {0, "Top.txt", "y"}};
    const std::string missing = dir / "new/two";
    ASSERT_EQ(engine.ExtractBlock(Box(spec), missing, kPassword), 0);
    EXPECT_EQ(engine.RootPath(), missing + "/");
    EXPECT_EQ(ReadTree(missing), (Tree{{"sub/deep/ReadMe.TXT", "x"}, {"Top.txt", "y"}}));
    EXPECT_TRUE(fs::is_directory(missing + "/other"));
    EXPECT_FALSE(fs::exists(missing + "/docs"));
}

TEST_F(ExtractTest, EmptyFilesAreRecreatedWithoutMessages) {
    for (const uint8_t version : {1, 2}) {
        SCOPED_TRACE(int{version});
        BoxSpec spec;
        spec.version = version;
        spec.files = {{0, "empty", ""}, {0, "one", "1"}};
        events.lines.clear();
        const std::string out = target + std::to_string(version);
        ASSERT_EQ(engine.ExtractBlock(Box(spec), out, kPassword), 0);
        EXPECT_EQ(ReadTree(out), (Tree{{"empty", ""}, {"one", "1"}}));
        EXPECT_TRUE(host.messages.empty());
        EXPECT_TRUE(host.questions.empty());
        if (version == 1) {
            EXPECT_EQ(events.Named("CipherProgress").size(), 1u);
        }
    }
}

TEST_F(ExtractTest, CompressedRecordWithoutStoredBytesIsSkipped) {
    BoxSpec spec;
    spec.version = 2;
    spec.files = {{0, "lost", "was not compressed", std::string()}, {0, "kept", "k"}};
    ASSERT_EQ(engine.ExtractBlock(Box(spec), target, kPassword), 0);
    EXPECT_EQ(ReadTree(target), (Tree{{"kept", "k"}}));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExtractTest, DecompressingFileFollowsTheLastChunkThenMessagesRun) {
    BoxSpec spec;
    spec.version = 2;
    spec.files = {{0, "big", RandomBytes(300000, 4)}};
    size_t eventsAtPump = 0;
    host.onPump = [&] { eventsAtPump = events.lines.size(); };
    ASSERT_EQ(engine.ExtractBlock(Box(spec), target, kPassword), 0);

    const std::string zlib = Dest("big.zlib");
    ASSERT_GE(events.lines.size(), 2u);
    EXPECT_EQ(events.lines.back(), "DecompressingFile " + zlib);
    const std::string& last = events.lines[events.lines.size() - 2];
    EXPECT_EQ(last.rfind("CipherProgress ", 0), 0u);
    EXPECT_NE(
        last.find(" 0 " + std::to_string(ZlibStored(spec.files[0].contents).size()) + " " + zlib),
        std::string::npos)
        << last;
    EXPECT_EQ(eventsAtPump, events.lines.size());
    EXPECT_EQ(ReadTree(target), (Tree{{"big", spec.files[0].contents}}));
}

TEST_F(ExtractTest, FailedExpansionAsksWhetherToAbort) {
    BoxSpec spec;
    spec.version = 2;
    spec.files = {{0, "a", "aaa"}, {0, "b", "bbb", DamagedStored("bbb")}, {0, "c", "ccc"}};
    const std::string path = Box(spec);
    const std::string question = "Error Decompression " + Dest("b.zlib") + "\r\n\r\nAbort?";
    for (const bool abort : {false, true}) {
        SCOPED_TRACE(abort);
        fs::remove_all(target);
        WriteFile(Dest("b"), "old b");
        host.questions.clear();
        host.QueueAnswer(abort);
        EXPECT_EQ(engine.ExtractBlock(path, target, kPassword), abort ? 100 : 0);
        EXPECT_THAT(host.questions, ElementsAre(question));
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
        BoxSpec spec;
        spec.version = version;
        spec.folders = {"Docs", "sub\\"};
        spec.files = {{0, "a", "new a"}, {0, "big", RandomBytes(300000, 5)}, {2, "c", "new c"}};
        const std::string path = Box(spec, "box" + std::to_string(version) + ".vkx");
        const Tree old{{"a", "old a"}, {"big", "old big"}, {"sub/c", "old c"}};
        const Tree complete{{"a", "new a"}, {"big", spec.files[1].contents}, {"sub/c", "new c"}};

        FakeHost counter;
        CCipherBlock counting(counter);
        ASSERT_EQ(counting.ExtractBlock(path, dir / "count", kPassword), 0);
        ASSERT_GT(counter.polls, 5);

        for (int poll = 1; poll <= counter.polls; ++poll) {
            SCOPED_TRACE("version " + std::to_string(version) + ", poll " + std::to_string(poll));
            const std::string out = dir / ("cancel" + std::to_string(poll));
            MakeTree(out, old);
            FakeHost cancelling;
            cancelling.CancelAtPoll(poll);
            CCipherBlock engine2(cancelling);
            EXPECT_EQ(engine2.ExtractBlock(path, out, kPassword), 3);
            EXPECT_THAT(Leftovers(out), ::testing::IsEmpty());
            const Tree after = ReadTree(out);
            bool stillOld = false;
            for (const auto& [name, contents] : after) {
                ASSERT_TRUE(contents == old.at(name) || contents == complete.at(name)) << name;
                const bool isOld = contents == old.at(name);
                EXPECT_FALSE(stillOld && !isOld)
                    << name << " extracted after an earlier file was not";
                stillOld = stillOld || isOld;
            }
            if (poll == counter.polls) {
                EXPECT_EQ(after, complete);
            }
        }
    }
}

TEST_F(ExtractTest, WriteFailureKeepsTheOldFileAndClosesTheBox) {
    BoxSpec spec;
    spec.files = {{0, "big", RandomBytes(300000, 6)}};
    const std::string path = Box(spec);
    WriteFile(Dest("big"), "old big");
    FileFaults::FailWritesAfter(200000);
    EXPECT_THROW((void)engine.ExtractBlock(path, target, kPassword), Failure);
    FileFaults::Reset();
    EXPECT_EQ(ReadTree(target), (Tree{{"big", "old big"}}));
    EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);  // no box left open
}

}  // namespace
}  // namespace vko::test
