#include <filesystem>

#include "engine/CreateFixture.h"
#include "util/Failure.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace vko::test {
namespace {

class CreateFaultsTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        MakeTree(root, {{"a.bin", original}, {"b.txt", "abc"}});
        for (int i = 0; i < 11; ++i) WriteFile(Source("sub/f" + std::to_string(i)), "file");
        WriteFile(box, "old box");
    }

    const DecodedRecord& RecordA(const DecodedBox& decoded) {
        EXPECT_EQ(decoded.storedTotal, decoded.dataArea);
        return decoded.records.at(0);
    }

    std::string original = RandomBytes(300000, 11);
};

// A cancel at any poll leaves the old box as it was, no temporary file and the sources intact;
// once the box is complete only shredding is skipped.
TEST_F(CreateFaultsTest, CancelAtEveryPollKeepsTheOldBox) {
    const Tree sources = ReadTree(root);
    for (int16_t compression : {0, 1}) {
        for (int16_t shred : {0, 1}) {
            FakeHost counter;
            CCipherBlock probe(counter);
            ASSERT_EQ(probe.CreateBlock(dir / "probe.vkx", "Box", kPassword, root, 0, compression),
                      1);
            const int polls = counter.polls + (shred == 1 ? 1 : 0);
            for (int n = 1; n <= polls; ++n) {
                FakeHost cancelling;
                cancelling.CancelAtPoll(n);
                CCipherBlock cancelled(cancelling);
                const int16_t result =
                    cancelled.CreateBlock(box, "Box", kPassword, root, shred, compression);
                const bool complete = shred == 1 && n == polls;
                EXPECT_EQ(result, complete ? 1 : 0) << "poll " << n;
                if (!complete) {
                    EXPECT_EQ(ReadFile(box), "old box") << "poll " << n;
                }
                EXPECT_EQ(ReadTree(root), sources) << "poll " << n;
                EXPECT_THAT(Leftovers(dir.Str()), IsEmpty()) << "poll " << n;
            }
            WriteFile(box, "old box");
        }
    }
}

struct Change {
    const char* label;
    const char* when;  // the event line that triggers it
    int16_t compression;
    void (*apply)(const std::string& path);
    int32_t expectedSize;  // the record's file size afterwards
    bool storesPrefix;     // the stored contents are the first expectedSize bytes
};

void Grow(const std::string& path) {
    WriteFile(path, ReadFile(path) + std::string(1000, 'g'));
}
void Shrink(const std::string& path) {
    fs::resize_file(path, 1000);
}
void ShrinkMore(const std::string& path) {
    fs::resize_file(path, 140000);
}
void Vanish(const std::string& path) {
    fs::remove(path);
}

// The table always matches the data area: a file is stored as far as it can be read, never
// beyond the size its first-pass record reserved.
TEST_F(CreateFaultsTest, FilesChangingWhileBoxedKeepTableAndDataInStep) {
    engine.SetWorkerThreads(0);  // the changes strike between two reads of the calling thread
    const Change changes[] = {
        {"grows", "CreatingFileBlock", 0, Grow, 300000, true},
        {"shrinks", "CreatingFileBlock", 0, Shrink, 1000, true},
        {"shrinks mid-file", "CipherProgress 131072", 0, ShrinkMore, 140000, true},
        {"vanishes", "CreatingFileBlock", 0, Vanish, 0, false},
        {"grows", "CreatingFileBlock", 1, Grow, 300000, true},
        {"shrinks", "CreatingFileBlock", 1, Shrink, 1000, true},
        {"vanishes", "CreatingFileBlock", 1, Vanish, 300000, false},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(std::string(change.label) + (change.compression ? " compressed" : " plain"));
        WriteFile(Source("a.bin"), original);
        host.messages.clear();
        events.onEvent = [&](const std::string& line) {
            if (line.rfind(change.when, 0) == 0) change.apply(Source("a.bin"));
        };
        ASSERT_EQ(Create(change.compression), 1);
        events.onEvent = nullptr;

        const DecodedBox decoded = Decode();
        const DecodedRecord& a = RecordA(decoded);
        EXPECT_EQ(a.size, change.expectedSize);
        const std::string& b = decoded.records.at(1).contents;
        EXPECT_EQ(change.compression ? ExpandStored(b) : b, "abc");
        if (change.storesPrefix) {
            const std::string expected = original.substr(0, static_cast<size_t>(a.size));
            EXPECT_EQ(change.compression ? ExpandStored(a.contents) : a.contents, expected);
            EXPECT_THAT(host.messages, IsEmpty());
        } else {
            EXPECT_EQ(a.stored, 0);
            ASSERT_EQ(host.messages.size(), 1u);
            const std::string expected = change.compression
                                             ? "Error compressing " + Source("a.bin")
                                             : "The following error has occured:\r\n\r\n#53 - ";
            EXPECT_THAT(host.messages[0].text, StartsWith(expected));
            EXPECT_THAT(host.messages[0].text, HasSubstr(Source("a.bin")));
        }
    }
}

TEST_F(CreateFaultsTest, UnreadableSourceIsReportedAndCreationGoesOn) {
    engine.SetWorkerThreads(0);  // the fault is armed between two reads of the calling thread
    fs::rename(Source("a.bin"), Source("z.bin"));
    fs::remove_all(Source("sub"));  // every read after the fault fails
    events.onEvent = [](const std::string& line) {
        if (line.find("b.txt") != std::string::npos && line.rfind("CipherProgress", 0) == 0)
            FileFaults::FailReadsAfter(131072 + 100);
    };
    ASSERT_EQ(Create(), 1);
    const DecodedBox decoded = Decode();
    ASSERT_EQ(decoded.storedTotal, decoded.dataArea);
    const DecodedRecord& z = decoded.records.at(1);
    EXPECT_EQ(z.name, "z.bin");
    EXPECT_EQ(z.size, 131072);
    EXPECT_EQ(z.contents, original.substr(0, 131072));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_THAT(host.messages[0].text, StartsWith("The following error has occured:\r\n\r\n#"));
    EXPECT_THAT(host.messages[0].text, HasSubstr(Source("z.bin")));
    EXPECT_EQ(host.messages[0].icon, BlockHost::Icon::Information);
}

// A box that cannot be written completely is not put in place of the old one.
TEST_F(CreateFaultsTest, WriteFailureKeepsTheOldBox) {
    for (int64_t budget : {0, 40, 200000}) {
        FileFaults::FailWritesAfter(budget);
        EXPECT_THROW((void)Create(), Failure) << budget;
        FileFaults::Reset();
        EXPECT_EQ(ReadFile(box), "old box");
        EXPECT_THAT(Leftovers(dir.Str()), IsEmpty());
    }
}

TEST_F(CreateFaultsTest, StaleTemporaryOfADeadProcessIsRemoved) {
    const std::string stale = dir / "out/.box.vkx.99999999.0.vkpart";
    WriteFile(stale, "left by a killed process");
    ASSERT_EQ(Create(), 1);
    EXPECT_FALSE(fs::exists(stale));
}

}  // namespace
}  // namespace vko::test
