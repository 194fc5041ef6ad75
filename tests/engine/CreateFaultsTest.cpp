// Creation stopped by a cancel, and sources that change while they are boxed.
#include <filesystem>

#include "engine/EngineFixture.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace vko::test {
namespace {

class CreateFaultsTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        MakeTree(root, {{"a.bin", original}, {"b.txt", "abc"}});
        for (int i = 0; i < 11; ++i) WriteFile(Source("sub/f" + std::to_string(i)), "file");
        WriteFile(box, "old box");
    }

    std::string original = RandomBytes(300000, 11);
};

// A cancel at any poll leaves the old box as it was, no temporary file and the sources intact;
// once the box is complete only shredding is skipped.
TEST_F(CreateFaultsTest, CancelAtEveryPollKeepsTheOldBox) {
    const Tree sources = ReadTree(root);
    for (const int16_t compression : {0, 1}) {
        for (const int16_t shred : {0, 1}) {
            FakeHost counter;
            ASSERT_EQ(CCipherBlock(counter).CreateBlock(dir / "probe.vkx", "Box", kPassword, root,
                                                        0, compression),
                      1);
            const int polls = counter.polls + shred;
            for (int n = 1; n <= polls; ++n) {
                SCOPED_TRACE("compression " + std::to_string(compression) + " shred " +
                             std::to_string(shred) + " poll " + std::to_string(n));
                FakeHost cancelling;
                cancelling.CancelAtPoll(n);
                const bool complete = shred == 1 && n == polls;
                EXPECT_EQ(CCipherBlock(cancelling)
                              .CreateBlock(box, "Box", kPassword, root, shred, compression),
                          complete ? 1 : 0);
                if (!complete) {
                    EXPECT_EQ(ReadFile(box), "old box");
                }
                EXPECT_EQ(ReadTree(root), sources);
                EXPECT_THAT(Leftovers(dir.Str()), IsEmpty());
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

// The table always matches the data area (ReadStored checks it): a file is stored as far as it
// can be read, never beyond the size its first-pass record reserved.
TEST_F(CreateFaultsTest, FilesChangingWhileBoxedKeepTableAndDataInStep) {
    engine.SetWorkerThreads(0);  // the changes strike between two reads of the calling thread
    const auto grow = [](const std::string& p) { WriteFile(p, ReadFile(p) + "grown"); };
    const auto shrink = [](const std::string& p) { fs::resize_file(p, 1000); };
    const auto shrinkMore = [](const std::string& p) { fs::resize_file(p, 140000); };
    const auto vanish = [](const std::string& p) { fs::remove(p); };
    const Change changes[] = {
        {"grows", "CreatingFileBlock", 0, grow, 300000, true},
        {"shrinks", "CreatingFileBlock", 0, shrink, 1000, true},
        {"shrinks mid-file", "CipherProgress 131072", 0, shrinkMore, 140000, true},
        {"vanishes", "CreatingFileBlock", 0, vanish, 0, false},
        {"grows", "CreatingFileBlock", 1, grow, 300000, true},
        {"shrinks", "CreatingFileBlock", 1, shrink, 1000, true},
        {"vanishes", "CreatingFileBlock", 1, vanish, 300000, false},
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

        const std::vector<StoredFile> stored = ReadStored(box, kPassword);
        ASSERT_GE(stored.size(), 2u);
        const auto plain = [&](const StoredFile& file) {
            return change.compression ? Expand(file.bytes) : file.bytes;
        };
        EXPECT_EQ(plain(stored[1]), "abc");
        EXPECT_EQ(stored[0].record.Size, change.expectedSize);
        if (change.storesPrefix) {
            EXPECT_EQ(plain(stored[0]),
                      original.substr(0, static_cast<size_t>(change.expectedSize)));
            EXPECT_THAT(host.messages, IsEmpty());
            continue;
        }
        EXPECT_EQ(stored[0].record.Stored, 0);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_THAT(host.messages[0].text,
                    ::testing::StartsWith(change.compression
                                              ? "Error compressing " + Source("a.bin")
                                              : "The following error has occured:\r\n\r\n#53 - "));
        EXPECT_THAT(host.messages[0].text, HasSubstr(Source("a.bin")));
        if (!change.compression) {
            EXPECT_EQ(host.messages[0].icon, BlockHost::Icon::Information);
        }
    }
}

}  // namespace
}  // namespace vko::test
