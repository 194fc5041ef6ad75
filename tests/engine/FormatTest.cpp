// The bytes of boxes the engine writes.
#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/ConvLong.h"
#include "engine/EngineFixture.h"
#include "util/PathParts.h"

namespace vko::test {
namespace {

using FormatTest = EngineFixture;

std::string Bytes(const char* literal, size_t size) {
    return std::string(literal, size);
}

// Box "B" of folder Docs holding a.txt of 3 bytes: the version byte, run A (name and folder
// table) at offset 1, run B (file table) at 12, the file's run at 28, each run named.
TEST_F(FormatTest, WorkedExampleByteForByteAndBack) {
    MakeTree(root, {{"a.txt", "xyz"}});
    ASSERT_EQ(Create(0, 0, "B"), 1);
    const std::string raw = ReadFile(box);
    ASSERT_EQ(raw.size(), 31u);
    CCipher cipher;
    const auto run = [&](const std::string& name, size_t from, size_t count) {
        cipher.InitilizeRun(kPassword, name);
        return cipher.Cipher(raw.substr(from, count));
    };
    EXPECT_EQ(raw[0], '\x01');
    const std::string runA = run("vko run A", 1, 11);
    EXPECT_EQ(runA, Bytes("\x01"
                          "B\x05\0\0\0Docs\0",
                          11));
    const std::string h = RunADigest(runA);
    EXPECT_EQ(run("vko run B" + h, 12, 16), Bytes("\x0c\0\0\0\x0b\0\0\x03\0\0\0a.txt", 16));
    EXPECT_EQ(run("vko file" + h + Bytes("\0\0", 2) + "a.txt", 28, 3), "xyz");

    ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
    EXPECT_EQ(engine.HeaderEnd(), 28);
    EXPECT_EQ(engine.DataByteCount(), 3);
    EXPECT_THAT(engine.Files(), ::testing::ElementsAre(Bytes("\0\0\3\0\0\0a.txt", 11)));
}

// Keystream is plain XOR enciphered. Within a box no two runs share it: not run A and run B,
// not equal files at different paths, not files whose first block is the same; so one known
// run start reveals nothing of another.
TEST_F(FormatTest, RunsNeverShareKeystream) {
    const std::string same = RandomBytes(300, 3);
    const std::string block = RandomBytes(64, 4);
    MakeTree(root, {{"a/same.bin", same},
                    {"b/same.bin", same},
                    {"b/copy.bin", same},
                    {"p.bin", block + "p"},
                    {"q.bin", block + "q"}});
    for (int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression);
        ASSERT_EQ(Create(compression), 1);
        const std::string raw = ReadFile(box);
        ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
        const std::string runA = ReadRunA(raw, kPassword);
        std::string runB =
            ConvLong::LongToChars(engine.HeaderEnd() - 5 - static_cast<int32_t>(runA.size()));
        for (const std::string& record : engine.Files())
            runB += static_cast<char>(record.size()) + record;

        std::vector<std::pair<std::string, std::string>> keystreams;
        const auto add = [&](const std::string& label, size_t at, const std::string& plain) {
            std::string ks = plain.substr(0, 64);
            for (size_t i = 0; i < ks.size(); ++i) ks[i] = static_cast<char>(ks[i] ^ raw[at + i]);
            keystreams.emplace_back(label, ks);
        };
        add("run A", 1, runA);
        add("run B", 1 + runA.size(), runB);
        size_t at = static_cast<size_t>(engine.HeaderEnd());
        for (const auto& [record, bytes] : ReadStored(box, kPassword)) {
            add(record.Name + " in folder " + std::to_string(record.FolderNumber), at, bytes);
            at += bytes.size();
        }
        for (size_t i = 0; i < keystreams.size(); ++i)
            for (size_t j = i + 1; j < keystreams.size(); ++j) {
                const auto& [a, ka] = keystreams[i];
                const auto& [b, kb] = keystreams[j];
                size_t equal = 0;
                for (size_t k = 0; k < std::min(ka.size(), kb.size()); ++k) equal += ka[k] == kb[k];
                EXPECT_LT(equal, 8u) << a << " and " << b;
            }
    }
}

// Each record's stored size is what follows for it in the data area: the file itself, or its
// zlib stream with the length trailer (empty files included, with no message).
TEST_F(FormatTest, RecordsDescribeTheDataArea) {
    const Tree tree = {{"a.txt", std::string(1234, 'q')},
                       {"b.bin", RandomBytes(300000, 7)},
                       {"empty.txt", ""},
                       {"sub/c.txt", "tiny"}};
    MakeTree(root, tree);
    for (int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression);
        ASSERT_EQ(Create(compression), 1);
        EXPECT_EQ(engine.BlockVersion(), compression + 1);
        const std::vector<StoredFile> stored = ReadStored(box, kPassword);
        ASSERT_EQ(stored.size(), tree.size());
        auto original = tree.begin();
        for (const auto& [record, bytes] : stored) {
            EXPECT_EQ(record.Name, GetFilePart(original->first));
            EXPECT_EQ(record.Size, static_cast<int32_t>(original->second.size()));
            EXPECT_EQ(compression ? Expand(bytes) : bytes, original->second);
            ++original;
        }
        if (compression == 0) continue;
        EXPECT_TRUE(stored[0].bytes.ends_with(modCompress::MakeTrailer(1234)));
        EXPECT_GT(stored[1].record.Stored, stored[1].record.Size);  // incompressible
        EXPECT_EQ(stored[2].record.Stored, 8 + modCompress::kTrailerSize);
    }
    EXPECT_THAT(host.messages, ::testing::IsEmpty());
}

}  // namespace
}  // namespace vko::test
