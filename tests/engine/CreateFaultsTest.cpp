// SPDX-License-Identifier: GPL-3.0-or-later
// Sources that change, vanish, cannot be read or become pipes while they are boxed (stops of every
// kind at every point: InterruptSweepTest), and shredding them once boxed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include "engine/EngineFixture.h"
#include "util/Failure.h"

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

    // Create on a thread of its own with a deadline: a create that hangs on a pipe put in a
    // file's place fails the test instead of holding it, and is set free by opening the pipe.
    int16_t CreateWithin(int16_t compression) {
        auto run = std::async(std::launch::async, [&] { return Create(compression); });
        if (run.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
            ADD_FAILURE() << "the create hangs";
            for (const auto& entry : fs::recursive_directory_iterator(root))
                if (entry.is_fifo()) close(open(entry.path().c_str(), O_RDWR | O_NONBLOCK));
        }
        return run.get();
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

const auto Grow = [](const std::string& p) { WriteFile(p, ReadFile(p) + "grown"); };
const auto Vanish = [](const std::string& p) { fs::remove(p); };
const auto Deny = [](const std::string& p) { FileFaults::DenyReading(p); };
const auto ToPipe = [](const std::string& p) {
    fs::remove(p);
    ASSERT_EQ(mkfifo(p.c_str(), 0600), 0);
};
constexpr const char* kNotRegular =
    "could not be read: Not a regular file (a pipe, a device or a socket)";

const Change kChanges[] = {
    {"grows", "CreatingFileBlock", Grow, false, 300000,
     "changed size while it was boxed: 300,000 bytes were stored"},
    {"shrinks", "CreatingFileBlock", [](const std::string& p) { fs::resize_file(p, 1000); }, false,
     1000, "changed size while it was boxed: 1,000 bytes were stored"},
    {"shrinks while read", "CipherProgress 131072",
     [](const std::string& p) { fs::resize_file(p, 140000); }, true, 140000,
     "changed size while it was boxed: 140,000 bytes were stored"},
    {"vanishes after the scan", "CreatingBlock", Vanish, false, -1,
     "could not be read: No such file or directory"},
    {"vanishes once its place is reserved", "CreatingFileBlock", Vanish, false, -1,
     "could not be read: No such file or directory"},
    {"cannot be read", "", Deny, false, -1, "could not be read: Permission denied"},
    {"cannot be opened once its place is reserved", "CreatingFileBlock", Deny, false, -1,
     "could not be read: Permission denied"},
    {"a pipe after the scan", "CreatingBlock", ToPipe, false, -1, kNotRegular},
    {"a pipe once its place is reserved", "CreatingFileBlock", ToPipe, false, -1, kNotRegular},
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
            fs::remove(Source("a.bin"));
            WriteFile(Source("a.bin"), original);
            FileFaults::Reset();
            if (*change.when == '\0') change.apply(Source("a.bin"));
            bool struck = false;
            events.onEvent = [&](const std::string& line) {
                if (*change.when == '\0' || struck || line.rfind(change.when, 0) != 0) return;
                struck = true;
                change.apply(Source("a.bin"));
            };
            ASSERT_EQ(CreateWithin(compression), 1);
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

// A file of five 1 MiB pieces that changes once its first piece (compressed) or span (plain) is
// read: the box holds what was read, each piece expanding on the bytes read before it, and a file
// cut short or unreadable midway is named and stored as far as it was read, or left out.
struct PieceChange {
    const char* label;
    std::function<void(const std::string& path, bool compressed)> apply;  // at the first progress
    const char* reason;                                  // "" when nothing is named
    size_t kept;  // bytes stored of it at least: all that could still be read (a compressed
                  // file's reader may have read further ahead before the change)
};

TEST_F(CreateFaultsTest, ChangesAfterTheFirstPieceStoreWhatWasRead) {
    constexpr size_t kPiece = size_t{1} << 20;
    const std::string before = RandomBytes(5 * kPiece, 21);
    const std::string after = RandomBytes(5 * kPiece, 22);
    const PieceChange changes[] = {
        {"rewritten at the same size", [&](const std::string& p, bool) { WriteFile(p, after); },
         "", 5 * kPiece},
        {"shrinks", [](const std::string& p, bool) { fs::resize_file(p, kPiece * 3 / 2); },
         "changed size while it was boxed", kPiece * 3 / 2},
        // A plain file's spans open it each on their own.
        {"cannot be read",
         [](const std::string& p, bool compressed) {
             if (compressed) FileFaults::FailReadsAfter(0);
             else FileFaults::DenyReading(p);
         },
         "could not be read: ", 0},
    };
    engine.SetWorkerThreads(0);  // reading runs a few pieces ahead of storing, no further
    for (const auto& [change, compression] : std::vector<std::pair<PieceChange, int16_t>>{
             {changes[0], 1}, {changes[1], 1}, {changes[2], 1},
             {changes[0], 0}, {changes[1], 0}, {changes[2], 0}}) {
        SCOPED_TRACE(std::string(change.label) + (compression ? " compressed" : " plain"));
        fs::remove_all(root);
        MakeTree(root, {{"big.bin", before}, {"z.txt", "z"}});
        bool changed = false;
        events.onEvent = [&](const std::string& line) {
            if (line == "CompressingFile " + Source("z.txt")) FileFaults::Reset();
            if (changed || line.rfind("CipherProgress", 0) != 0) return;
            changed = true;
            change.apply(Source("big.bin"), compression == 1);
        };
        ASSERT_EQ(Create(compression), 1);
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
        const auto plain = [&](const StoredFile& file) {
            return compression ? Expand(file.bytes) : file.bytes;
        };
        EXPECT_EQ(plain(stored.back()), "z");
        if (stored.size() == 1) continue;  // left out
        const std::string back = plain(stored[0]);
        ASSERT_EQ(back.size(), static_cast<size_t>(stored[0].record.Size));
        EXPECT_GE(back.size(), change.kept);
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

using ShredTest = EngineFixture;

// Contents are overwritten (a second name keeps them visible) only after the box is committed;
// a link is removed without writing through it; the box itself is never shredded, and the folder
// that still holds it fails, naming the folder.
TEST_F(ShredTest, OverwritesSourcesOnlyOnceTheBoxIsCompleteAndNeverThroughALink) {
    const std::string big = RandomBytes(1048576 + 5, 5);
    MakeTree(root, {{"a.bin", big}, {"empty.txt", ""}, {"Sub/Deep/b.txt", "b"}});
    fs::create_hard_link(Source("a.bin"), dir / "witness");
    WriteFile(dir / "outside.txt", "not part of the folder");
    fs::create_symlink(dir / "outside.txt", Source("link.txt"));
    events.onEvent = [&](const std::string& line) {
        if (line.starts_with("ShredFile")) {
            EXPECT_TRUE(fs::exists(box)) << "box committed first";
        }
    };
    ASSERT_EQ(Create(0, 1), 1);
    EXPECT_FALSE(fs::exists(root));
    const std::string overwritten = ReadFile(dir / "witness");
    ASSERT_EQ(overwritten.size(), big.size());
    EXPECT_NE(overwritten.substr(1048576), big.substr(1048576));
    EXPECT_EQ(ReadFile(dir / "outside.txt"), "not part of the folder");
    EXPECT_EQ(ReadStored(box, kPassword).at(0).bytes, big);

    MakeTree(root, {{"a.txt", "a"}});
    box = Source("box.vkx");
    EXPECT_THROW((void)Create(0, 1), Failure);
    EXPECT_FALSE(fs::exists(Source("a.txt")));
    EXPECT_EQ(ReadStored(box, kPassword).at(0).bytes, "a");
}

}  // namespace
}  // namespace vko::test
