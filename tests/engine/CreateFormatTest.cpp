#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/CreateFixture.h"
#include "util/PathParts.h"

using ::testing::EndsWith;
using ::testing::IsEmpty;

namespace vko::test {
namespace {

class CreateFormatTest : public CreateFixture {};

TEST_F(CreateFormatTest, WorkedExampleByteForByte) {
    MakeTree(root, {{"a.txt", "xyz"}});
    ASSERT_EQ(Create(0, 0, "B"), 1);
    const std::string raw = ReadFile(box);
    ASSERT_EQ(raw.size(), 31u);
    CCipher cipher;
    cipher.Initilize(kPassword);
    const std::string runA = cipher.Cipher(raw.substr(1, 11));
    cipher.Initilize(kPassword);
    const std::string runB = cipher.Cipher(raw.substr(12, 16));
    cipher.Initilize(kPassword);
    const std::string contents = cipher.Cipher(raw.substr(28));
    EXPECT_EQ(Hex(raw.substr(0, 1)), "01");
    EXPECT_EQ(Hex(runA), "01 42 05 00 00 00 44 6F 63 73 00");
    EXPECT_EQ(Hex(runB), "0C 00 00 00 0B 00 00 03 00 00 00 61 2E 74 78 74");
    EXPECT_EQ(contents, "xyz");
}

// Nothing random or time-dependent is stored, and a trailing separator changes nothing.
TEST_F(CreateFormatTest, SameFolderGivesIdenticalBoxes) {
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
TEST_F(CreateFormatTest, RecordsDescribeTheDataArea) {
    const Tree tree = {{"a.txt", std::string(1234, 'q')},
                       {"b.bin", RandomBytes(300000, 7)},
                       {"empty.txt", ""},
                       {"sub/c.txt", "tiny"}};
    MakeTree(root, tree);
    for (int16_t compression : {0, 1}) {
        ASSERT_EQ(Create(compression), 1);
        EXPECT_EQ(engine.BlockVersion(), compression + 1);
        const DecodedBox decoded = Decode();
        ASSERT_EQ(decoded.storedTotal, decoded.dataArea);
        ASSERT_EQ(decoded.records.size(), tree.size());
        auto original = tree.begin();
        for (const DecodedRecord& record : decoded.records) {
            EXPECT_EQ(record.name, GetFilePart(original->first));
            EXPECT_EQ(record.size, static_cast<int32_t>(original->second.size()));
            EXPECT_EQ(compression ? ExpandStored(record.contents) : record.contents,
                      original->second);
            ++original;
        }
        if (compression == 0) continue;
        EXPECT_THAT(Hex(decoded.records[0].contents),
                    EndsWith("00 00 00 00 00 31 32 33 34 00 00 00 00 00 00 00 00"));
        EXPECT_GT(decoded.records[1].stored, decoded.records[1].size);  // incompressible
        EXPECT_EQ(decoded.records[2].stored, 8 + modCompress::kTrailerSize);
    }
    EXPECT_THAT(host.messages, IsEmpty());
}

}  // namespace
}  // namespace vko::test
