// Reading boxes of every version, files that are not boxes, repeat reads and held keys; extraction
// whole and file by file: failed expansion, repeats and misuse. (Every file of boxes of every
// shape: RoundTripTest; stops of every kind: InterruptSweepTest.)
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "crypto/CCipher.h"
#include "crypto/KeyHold.h"
#include "crypto/cipherlib_testing.h"
#include "engine/BoxProbe.h"
#include "engine/EngineFixture.h"
#include "util/Failure.h"

using ::testing::ElementsAre;

namespace vko::test {
namespace {

namespace fs = std::filesystem;

using ReadTest = EngineFixture;
class ExtractTest : public EngineFixture {
protected:
    std::string target = dir / "out";
};

// Three files, one two folders down; in a compressed box their stored sizes differ from their
// sizes, so a wrong offset shows.
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

// (An empty box: ScanTest.)
TEST_F(ReadTest, EveryVersionReadsBack) {
    for (const uint8_t version : {0, 1, 2}) {
        SCOPED_TRACE(int{version});
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

// Each is refused by the password check, and the probe tells why before any password is asked.
TEST_F(ReadTest, FilesThatAreNotBoxes) {
    using BoxProbe::Verdict;
    WriteFile(dir / "text.txt", "\x07 plain text, not a box");
    WriteFile(dir / "empty.vkx", "");
    fs::create_directories(dir / "folder.vkx");
    ASSERT_EQ(mkfifo((dir / "pipe.vkx").c_str(), 0600), 0);
    const std::pair<std::string, Verdict> cases[] = {
        {"text.txt", Verdict::kNotABox},         {"empty.vkx", Verdict::kNotABox},
        {"folder.vkx", Verdict::kNotRegularFile}, {"pipe.vkx", Verdict::kNotRegularFile},
        {"missing.vkx", Verdict::kMissing}};
    for (const auto& [name, verdict] : cases) {
        EXPECT_EQ(BoxProbe::Probe(dir / name), verdict) << name;
        if (name != "pipe.vkx") {
            EXPECT_EQ(engine.ViewBlock(dir / name, kPassword), 1) << name;
        }
    }
    for (const uint8_t version : {0, 1, 2})
        EXPECT_EQ(BoxProbe::Probe(Forge(Holiday(version))), Verdict::kCouldBeBox) << int{version};
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

TEST_F(ExtractTest, SameFileTwiceReplacesTargetAndLeftoverZlib) {
    const BoxLayout layout = Holiday(2);
    WriteFile(target + "/raw/a.jpg", "old");
    WriteFile(target + "/raw/a.jpg.zlib", "leftover");
    ASSERT_EQ(engine.DynamicExtractBlock(Forge(layout), target, kPassword), 0);
    engine.DynamicExtractToFile(2, target);
    CCipher().Initilize("something else");  // the application may key the cipher in between
    engine.DynamicExtractToFile(2, target);
    EXPECT_EQ(ReadTree(target), (Tree{{"raw/a.jpg", layout.files[1].contents}}));
}

TEST_F(ExtractTest, FailedExpansionKeepsTheStreamAndAnyGoodFile) {
    BoxLayout layout;
    layout.version = 2;
    layout.files = {{0, "bad", "x", DamagedStored("x")}, {0, "bad2", "y", DamagedStored("y")}};
    WriteFile(target + "/bad2", "good old");
    ASSERT_EQ(engine.DynamicExtractBlock(Forge(layout), target, kPassword), 0);
    engine.DynamicExtractToFile(1, target);
    engine.DynamicExtractToFile(2, target);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "Error Decompressing " + target + "/bad.zlib");
    EXPECT_EQ(host.messages[0].icon, BlockHost::Icon::None);
    EXPECT_EQ(ReadTree(target), (Tree{{"bad.zlib", DamagedStored("x")},
                                      {"bad2", "good old"},
                                      {"bad2.zlib", DamagedStored("y")}}));
}

TEST_F(ExtractTest, MisuseAndWrongPasswordAreFailuresNotCrashes) {
    const std::string path = Forge(Holiday(1));
    EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);  // nothing open yet
    EXPECT_THROW((void)engine.ExtractBlock(path, "", kPassword), Failure);
    EXPECT_THROW((void)engine.DynamicExtractBlock(path, "", kPassword), Failure);
    ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
    EXPECT_THROW(engine.DynamicExtractToFile(1, ""), Failure);  // never the file-system root
    for (const int32_t number : {0, -1, 4})
        EXPECT_THROW(engine.DynamicExtractToFile(number, target), Failure);
    engine.DynamicClose();
    engine.DynamicClose();
    EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);

    const std::string never = dir / "never";
    EXPECT_EQ(engine.DynamicExtractBlock(path, never, "wrong"), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kHeaderDamagedMessage);
    EXPECT_THROW(engine.DynamicExtractToFile(1, never), Failure);
    EXPECT_FALSE(fs::exists(never));
}

}  // namespace
}  // namespace vko::test
