// The bytes of boxes the engine writes.
#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/EngineFixture.h"
#include "util/PathParts.h"

namespace vko::test {
namespace {

using FormatTest = EngineFixture;

std::string Bytes(const char* literal, size_t size) {
    return std::string(literal, size);
}

// Box "B" of folder Docs holding a.txt of 3 bytes: the version byte, run A (name and folder
// table) at offset 1, run B (file table) at 12, the file's run at 28.
TEST_F(FormatTest, WorkedExampleByteForByteAndBack) {
    MakeTree(root, {{"a.txt", "xyz"}});
    ASSERT_EQ(Create(0, 0, "B"), 1);
    const std::string raw = ReadFile(box);
    ASSERT_EQ(raw.size(), 31u);
    CCipher cipher;
    const auto run = [&](size_t from, size_t count) {
        cipher.Initilize(kPassword);
        return cipher.Cipher(raw.substr(from, count));
    };
    EXPECT_EQ(raw[0], '\x01');
    EXPECT_EQ(run(1, 11), Bytes("\x01"
                                "B\x05\0\0\0Docs\0",
                                11));
    EXPECT_EQ(run(12, 16), Bytes("\x0c\0\0\0\x0b\0\0\x03\0\0\0a.txt", 16));
    EXPECT_EQ(run(28, 3), "xyz");

    ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
    EXPECT_EQ(engine.HeaderEnd(), 28);
    EXPECT_EQ(engine.DataByteCount(), 3);
    EXPECT_THAT(engine.Files(), ::testing::ElementsAre(Bytes("\0\0\3\0\0\0a.txt", 11)));
}

// Nothing random or time-dependent is stored, and a trailing separator changes nothing.
TEST_F(FormatTest, SameFolderGivesIdenticalBoxes) {
    MakeTree(root, {{"a.txt", RandomBytes(200000, 1)}, {"Sub/b.txt", "b"}, {"c/d/e.txt", ""}});
    for (int16_t compression : {0, 1}) {
        ASSERT_EQ(Create(compression), 1);
        const std::string first = ReadFile(box);
        ASSERT_EQ(engine.CreateBlock(box, "Box", kPassword, root + "/", 0, compression), 1);
        EXPECT_EQ(ReadFile(box), first) << "compression " << compression;
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
