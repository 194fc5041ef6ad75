// Single-bit flips in a small box, plain and compressed. A flip in the header is refused
// (result 1, nothing written), reads as a damaged box whose files are named (a stored size that
// no longer adds up) or, where the header still reads whole, changes names, and with them the
// cipher runs named after them: a flip in the file table garbles at most the one file whose
// record it hit. A flip in the data area garbles only the file holding the byte, from that byte
// on; every other file comes out intact. Nothing is ever written outside the extraction folder.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>

#include "engine/EngineFixture.h"
#include "engine/ScratchDir.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace vko::test {
namespace {

constexpr const char* kPassword = "flip secret";

// Sanitizer builds flip in every third byte only: the same paths, a third of the time.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kByteStep = 3;
#else
constexpr size_t kByteStep = 1;
#endif

struct Extraction {
    int16_t result = -1;
    std::optional<std::string> failure;
    Tree tree;  // what the extraction folder holds afterwards
};

class BitFlipTest : public ::testing::TestWithParam<int16_t> {
protected:
    void SetUp() override {
        UseFastKeys();
        MakeTree(dir / "Docs", sources);
        ASSERT_EQ(engine.CreateBlock(box, "Docs", kPassword, dir / "Docs", 0, GetParam()), 1);
        original = ReadFile(box);
        ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
        headerEnd = static_cast<size_t>(engine.HeaderEnd());
        int64_t offset = 0;
        for (int32_t i = 0; i < static_cast<int32_t>(engine.Files().size()); ++i) {
            const FileRecord record = engine.Record(i);
            const std::string folder = engine.Directory(record.FolderNumber);
            std::string path = (record.FolderNumber < 2 ? "" : folder) + record.Name;
            std::replace(path.begin(), path.end(), '\\', '/');
            holders.push_back({offset, record.Stored, path});
            offset += record.Stored;
        }
        ASSERT_EQ(headerEnd + static_cast<size_t>(offset), original.size());
        size_t tableBytes = 0;
        for (const std::string& record : engine.Files()) tableBytes += record.size() + 1;
        size_t end = headerEnd - tableBytes;
        for (size_t i = 0; i < holders.size(); ++i) {
            end += engine.Files()[i].size() + 1;
            holders[i].recordEnd = end;
        }
        fileTableStart = headerEnd - tableBytes - 4;
    }

    // Extracts the box with one bit flipped into parent/target and checks that nothing
    // appeared anywhere else.
    Extraction Extract(size_t byte, int bit) {
        std::string bytes = original;
        bytes[byte] = static_cast<char>(bytes[byte] ^ (1 << bit));
        WriteFile(flipped, bytes);
        fs::remove_all(parent);
        fs::create_directories(parent);
        host = FakeHost{};
        host.QueueAnswer(false);  // a stream that does not expand: go on with the next file
        Extraction out;
        try {
            out.result = engine.ExtractBlock(flipped, target, kPassword);
        } catch (const Failure& failure) {
            out.failure = failure.Description();
        }
        for (const auto& entry : fs::directory_iterator(parent))
            EXPECT_EQ(entry.path().string(), target) << "written outside the target";
        EXPECT_EQ(ReadTree(dir / "Docs"), sources);
        if (fs::exists(target)) out.tree = ReadTree(target);
        return out;
    }

    static std::multiset<std::string> Contents(const Tree& tree) {
        std::multiset<std::string> contents;
        for (const auto& [path, bytes] : tree) contents.insert(bytes);
        return contents;
    }

    // Paths whose presence or contents differ from the original tree.
    std::vector<std::string> Differences(const Tree& tree) const {
        std::vector<std::string> differ;
        for (const auto& [path, contents] : sources) {
            const auto found = tree.find(path);
            if (found == tree.end() || found->second != contents) differ.push_back(path);
        }
        for (const auto& [path, contents] : tree) {
            if (!sources.count(path)) differ.push_back(path);
        }
        return differ;
    }

    struct Holder {
        int64_t offset;  // in the data area
        int32_t stored;
        std::string path;
        size_t recordEnd = 0;  // in the box, after the file's record
    };

    const Tree sources{{"a.txt", "hello world"},
                       {"empty", ""},
                       {"sub/b.bin", RandomBytes(300, 21)},
                       {"sub/deep/c.txt", std::string(150, 't')}};
    ScratchDir dir;
    std::string box = dir / "box.vkx";
    std::string flipped = dir / "flipped.vkx";
    std::string parent = dir / "parent";
    std::string target = dir / "parent/target";
    std::string original;
    size_t headerEnd = 0;
    size_t fileTableStart = 0;  // where run B starts, at F
    std::vector<Holder> holders;
    FakeHost host;
    CCipherBlock engine{host};
};

TEST_P(BitFlipTest, EveryHeaderBitIsRefusedOrChangesNamesOnly) {
    int refused = 0, damaged = 0, read = 0;
    for (size_t byte = 0; byte < headerEnd; byte += kByteStep) {
        for (int bit = 0; bit < 8; ++bit) {
            SCOPED_TRACE("byte " + std::to_string(byte) + " bit " + std::to_string(bit));
            const Extraction out = Extract(byte, bit);
            EXPECT_FALSE(out.failure) << *out.failure;
            if (out.result == 1) {
                ++refused;
                EXPECT_FALSE(fs::exists(target));
                continue;
            }
            // A stored size that changed no longer matches the data area: the box says it is
            // damaged and names the files it cannot give back whole.
            ++(engine.Problems().empty() ? read : damaged);
            // Records and names carry no check of their own: a flip the table still reads with
            // can rename files from the flipped record on (the run chains what it deciphers into
            // its next block), and each file's contents are then read under another run name.
            // A flip in run A changes every file's run. The records before a flip stay whole.
            if (byte < fileTableStart) continue;
            for (const Holder& holder : holders) {
                if (holder.recordEnd > byte) break;
                const auto found = out.tree.find(holder.path);
                EXPECT_TRUE(found != out.tree.end() && found->second == sources.at(holder.path))
                    << holder.path;
            }
        }
    }
    std::cout << "[ flips    ] header of " << headerEnd << " bytes, " << refused + damaged + read
              << " flips: " << refused << " refused, " << damaged << " damaged, " << read
              << " read\n";
}

TEST_P(BitFlipTest, DataFlipGarblesOnlyTheFileHoldingIt) {
    int flips = 0;
    for (const Holder& holder : holders) {
        for (int32_t p = 0; p < holder.stored; p += static_cast<int32_t>(kByteStep)) {
            const size_t byte = headerEnd + static_cast<size_t>(holder.offset + p);
            SCOPED_TRACE(holder.path + " stored byte " + std::to_string(p));
            const Extraction out = Extract(byte, p % 8);
            ++flips;
            EXPECT_FALSE(out.failure) << *out.failure;
            for (const std::string& path : Differences(out.tree))
                EXPECT_THAT(path, ::testing::AnyOf(holder.path, holder.path + ".zlib"));
            if (GetParam() == 0) {
                // The cipher chains plain text into its keystream: the file is intact up to
                // the flipped byte and differs at it.
                EXPECT_EQ(out.result, 0);
                const auto found = out.tree.find(holder.path);
                ASSERT_NE(found, out.tree.end());
                const std::string& got = found->second;
                const std::string& want = sources.at(holder.path);
                ASSERT_EQ(got.size(), want.size());
                EXPECT_EQ(got.substr(0, static_cast<size_t>(p)),
                          want.substr(0, static_cast<size_t>(p)));
                EXPECT_NE(got[static_cast<size_t>(p)], want[static_cast<size_t>(p)]);
            } else if (!host.questions.empty()) {
                // The stream no longer expands; it is kept for the user under its own name.
                EXPECT_THAT(host.questions[0], ::testing::HasSubstr(holder.path + ".zlib"));
            }
        }
    }
    std::cout << "[ flips    ] data area: " << flips << " flips\n";
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, BitFlipTest, ::testing::Values(0, 1));

}  // namespace
}  // namespace vko::test
