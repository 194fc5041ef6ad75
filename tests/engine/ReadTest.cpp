// SPDX-License-Identifier: GPL-3.0-or-later
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
    const std::pair<std::string, Verdict> cases[] = {{"text.txt", Verdict::kNotABox},
                                                     {"empty.vkx", Verdict::kNotABox},
                                                     {"folder.vkx", Verdict::kNotRegularFile},
                                                     {"pipe.vkx", Verdict::kNotRegularFile},
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

struct StreamCase {
    const char* label;
    bool single;           // file by file, or whole
    bool asks;             // the host asks about damage (the desktop), or nobody watches (vkx)
    bool abort;            // the answer to "Abort?"
    Tree before;           // in the target before
    const char* keptName;  // where the damaged stream is kept
};

// clang-format off
const StreamCase kStreamCases[] = {
    {"whole, go on", false, true, false, {}, "b.1.zlib"},
    {"whole, abort", false, true, true, {}, "b.1.zlib"},
    {"whole, nobody asked", false, false, false, {}, "b.1.zlib"},
    {"single", true, true, false, {}, "b.1.zlib"},
    {"single, nobody asked", true, false, false, {}, "b.1.zlib"},
    {"a user's .zlib files", false, true, false, {{"a.zlib", "mine"}, {"b.1.zlib", "mine"}},
     "b.2.zlib"},
    {"a user's .zlib files, single", true, false, false,
     {{"a.zlib", "mine"}, {"b.1.zlib", "mine"}}, "b.2.zlib"},
};
// clang-format on

// A stream that does not expand is named, and kept under a name that nothing has, nor the box
// gives to a file of its own (as it does "b.zlib" here); the user, when there is one, is shown that
// name and (whole) asked whether to abort. No other file is touched: a user's "<name>.zlib"
// beside an extracted file stays.
TEST_F(ExtractTest, ADamagedStreamIsKeptUnderANewNameAndNamed) {
    BoxLayout layout;
    layout.version = 2;
    layout.files = {{0, "a", "aaa"},
                    {0, "b", "bbb", DamagedStored("bbb")},
                    {0, "c", "ccc"},
                    {0, "b.zlib", "the box's own"}};
    const std::string path = Forge(layout);
    for (const StreamCase& c : kStreamCases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(target);
        MakeTree(target, c.before);
        host = FakeHost{};
        host.asksAboutDamage = c.asks;
        host.QueueAnswer(c.abort);
        const std::string kept = target + "/" + c.keptName;
        int16_t result = 0;
        if (c.single) {
            ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
            for (int32_t n = 1; n <= 4; ++n) engine.DynamicExtractToFile(n, target);
        } else {
            result = engine.ExtractBlock(path, target, kPassword);
        }
        EXPECT_EQ(result, c.abort ? 100 : 0);
        EXPECT_THAT(engine.Problems(),
                    ::testing::Contains(
                        FileProblem{target + "/b",
                                    "damaged: its stored contents do not expand (data error); "
                                    "they were kept as " +
                                        kept}));
        if (c.single) engine.DynamicClose();
        const bool asked = c.asks && !c.single;
        EXPECT_EQ(host.questions,
                  asked ? std::vector{"Error Decompression " + kept + "\r\n\r\nAbort?"}
                        : std::vector<std::string>{});
        EXPECT_EQ(host.messages.size(), c.asks && c.single ? 1u : 0u);
        if (c.asks && c.single) {
            EXPECT_EQ(host.messages[0].text, "Error Decompressing " + kept);
        }
        Tree expected = c.before;
        expected.insert({{"a", "aaa"}, {c.keptName, DamagedStored("bbb")}});
        if (!c.abort) expected.insert({{"c", "ccc"}, {"b.zlib", "the box's own"}});
        EXPECT_EQ(ReadTree(target), expected);
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    }
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
