// Creation stopped by a cancel, and sources that change, vanish or cannot be read while they are
// boxed.
#include <filesystem>

#include "engine/EngineFixture.h"

namespace fs = std::filesystem;
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

// A change to a.bin (300,000 bytes, stored first) and when it strikes: "" before the create, or
// the first event line that starts with the text.
struct Change {
    const char* label;
    const char* when;
    void (*apply)(const std::string& path);
    bool plainOnly;      // compressed boxes read a file this small before any progress
    int64_t stored;      // what the box holds of a.bin afterwards; -1 when it is left out
    const char* reason;  // the problem that names a.bin
};

void Grow(const std::string& p) {
    WriteFile(p, ReadFile(p) + "grown");
}
void Shrink(const std::string& p) {
    fs::resize_file(p, 1000);
}
void ShrinkPastFirstBlock(const std::string& p) {
    fs::resize_file(p, 140000);
}
void Vanish(const std::string& p) {
    fs::remove(p);
}
void Deny(const std::string& p) {
    FileFaults::DenyReading(p);
}

const Change kChanges[] = {
    {"grows", "CreatingFileBlock", Grow, false, 300000,
     "changed size while it was boxed: 300,000 bytes were stored"},
    {"shrinks", "CreatingFileBlock", Shrink, false, 1000,
     "changed size while it was boxed: 1,000 bytes were stored"},
    {"shrinks while read", "CipherProgress 131072", ShrinkPastFirstBlock, true, 140000,
     "changed size while it was boxed: 140,000 bytes were stored"},
    {"vanishes after the scan", "CreatingBlock", Vanish, false, -1,
     "could not be read: No such file or directory"},
    {"vanishes once its place is reserved", "CreatingFileBlock", Vanish, false, -1,
     "could not be read: No such file or directory"},
    {"cannot be read", "", Deny, false, -1, "could not be read: Permission denied"},
    {"cannot be opened once its place is reserved", "CreatingFileBlock", Deny, false, -1,
     "could not be read: Permission denied"},
};

// The box always holds what its table says (ReadStored checks it): a file is stored as it was
// read, never beyond its measured size, or left out; either way it is named, and every other
// file is stored whole.
TEST_F(CreateFaultsTest, ChangedAndUnreadableFilesAreStoredAsReadOrLeftOutAndNamed) {
    engine.SetWorkerThreads(0);  // the changes strike between two reads of the calling thread
    for (const Change& change : kChanges) {
        for (const int16_t compression : {0, 1}) {
            if (change.plainOnly && compression == 1) continue;
            SCOPED_TRACE(std::string(change.label) + (compression ? " compressed" : " plain"));
            WriteFile(Source("a.bin"), original);
            FileFaults::Reset();
            if (*change.when == '\0') change.apply(Source("a.bin"));
            bool struck = false;
            events.onEvent = [&](const std::string& line) {
                if (*change.when == '\0' || struck || line.rfind(change.when, 0) != 0) return;
                struck = true;
                change.apply(Source("a.bin"));
            };
            ASSERT_EQ(Create(compression), 1);
            events.onEvent = nullptr;
            FileFaults::Reset();

            EXPECT_EQ(engine.Problems(),
                      (std::vector<FileProblem>{{Source("a.bin"), change.reason}}));
            const std::vector<StoredFile> stored = ReadStored(box, kPassword);
            ASSERT_EQ(stored.size(), change.stored < 0 ? 12u : 13u);
            const auto plain = [&](const StoredFile& file) {
                return compression ? Expand(file.bytes) : file.bytes;
            };
            const size_t b = change.stored < 0 ? 0 : 1;
            EXPECT_EQ(stored[b].record.Name, "b.txt");
            EXPECT_EQ(plain(stored[b]), "abc");
            if (change.stored < 0) continue;
            EXPECT_EQ(stored[0].record.Size, change.stored);
            EXPECT_EQ(plain(stored[0]), original.substr(0, static_cast<size_t>(change.stored)));
        }
    }
    EXPECT_THAT(host.messages, IsEmpty());
}

// A compressed file rewritten in place, at the same size, while it is boxed: the pieces read
// before the rewrite hold the old bytes and those read after it the new ones, and the stored
// stream expands to exactly that, each piece's dictionary being the bytes read before it.
TEST_F(CreateFaultsTest, RewriteBetweenPiecesStoresWhatWasRead) {
    constexpr size_t kPiece = size_t{1} << 20;
    engine.SetWorkerThreads(0);  // reading runs a few pieces ahead of storing, no further
    fs::remove_all(root);
    const std::string before = RandomBytes(4 * kPiece, 21);
    const std::string after = RandomBytes(4 * kPiece, 22);
    WriteFile(Source("big.bin"), before);
    bool rewritten = false;
    events.onEvent = [&](const std::string& line) {
        if (rewritten || line.rfind("CipherProgress", 0) != 0) return;
        rewritten = true;
        WriteFile(Source("big.bin"), after);
    };
    ASSERT_EQ(Create(1), 1);
    EXPECT_THAT(engine.Problems(), IsEmpty());

    ASSERT_EQ(engine.ExtractBlock(box, dir / "back", kPassword), 0);
    EXPECT_THAT(host.questions, IsEmpty());
    const std::string back = ReadFile(dir / "back/big.bin");
    ASSERT_EQ(back.size(), before.size());
    std::string pieces;
    for (size_t at = 0; at < back.size(); at += kPiece) {
        const std::string piece = back.substr(at, kPiece);
        pieces += piece == before.substr(at, kPiece)  ? 'o'
                  : piece == after.substr(at, kPiece) ? 'n'
                                                      : '?';
    }
    EXPECT_THAT(pieces, ::testing::MatchesRegex("o+n+"));
}

}  // namespace
}  // namespace vko::test
