// Sources that change, vanish or cannot be read while they are boxed (stops of every kind at
// every point: InterruptSweepTest).
#include <filesystem>
#include <functional>

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

// A compressed file of four 1 MiB pieces that changes once its first piece is read: the box
// holds what was read, each piece expanding on the bytes read before it, and a file cut short
// or unreadable midway is named and stored as far as it was read, or left out.
struct PieceChange {
    const char* label;
    std::function<void(const std::string& path)> apply;  // at the first progress event
    const char* reason;                                  // "" when nothing is named
};

TEST_F(CreateFaultsTest, ChangesAfterTheFirstPieceStoreWhatWasRead) {
    constexpr size_t kPiece = size_t{1} << 20;
    const std::string before = RandomBytes(4 * kPiece, 21);
    const std::string after = RandomBytes(4 * kPiece, 22);
    const PieceChange changes[] = {
        {"rewritten at the same size", [&](const std::string& p) { WriteFile(p, after); }, ""},
        {"shrinks", [](const std::string& p) { fs::resize_file(p, kPiece * 3 / 2); },
         "changed size while it was boxed"},
        {"cannot be read", [](const std::string&) { FileFaults::FailReadsAfter(0); },
         "could not be read: "},
    };
    engine.SetWorkerThreads(0);  // reading runs a few pieces ahead of storing, no further
    for (const PieceChange& change : changes) {
        SCOPED_TRACE(change.label);
        fs::remove_all(root);
        MakeTree(root, {{"big.bin", before}, {"z.txt", "z"}});
        bool changed = false;
        events.onEvent = [&](const std::string& line) {
            if (line == "CompressingFile " + Source("z.txt")) FileFaults::Reset();
            if (changed || line.rfind("CipherProgress", 0) != 0) return;
            changed = true;
            change.apply(Source("big.bin"));
        };
        ASSERT_EQ(Create(1), 1);
        FileFaults::Reset();
        events.onEvent = nullptr;

        const std::vector<StoredFile> stored = ReadStored(box, kPassword);
        if (*change.reason == '\0') {
            EXPECT_THAT(engine.Problems(), IsEmpty());
        } else {
            ASSERT_EQ(engine.Problems().size(), 1u);
            EXPECT_EQ(engine.Problems()[0].path, Source("big.bin"));
            EXPECT_THAT(engine.Problems()[0].reason, ::testing::StartsWith(change.reason));
        }
        EXPECT_EQ(Expand(stored.back().bytes), "z");
        if (stored.size() == 1) continue;  // left out
        const std::string back = Expand(stored[0].bytes);
        ASSERT_EQ(back.size(), static_cast<size_t>(stored[0].record.Size));
        std::string pieces;
        for (size_t at = 0; at < back.size(); at += kPiece) {
            const std::string piece = back.substr(at, kPiece);
            pieces += piece == before.substr(at, piece.size())  ? 'o'
                      : piece == after.substr(at, piece.size()) ? 'n'
                                                                : '?';
        }
        EXPECT_THAT(pieces, ::testing::MatchesRegex(*change.reason ? "o+" : "o+n+"));
    }
}

}  // namespace
}  // namespace vko::test
