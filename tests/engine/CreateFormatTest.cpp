#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/CreateFixture.h"

using ::testing::EndsWith;
using ::testing::IsEmpty;

namespace vko::test {
namespace {

class CreateFormatTest : public CreateFixture {};

std::string Expand(const std::string& stored) {
    modCompress::ByteArray source(stored.begin(), stored.end());
    modCompress::ByteArray plain;
    int32_t result = 0;
    EXPECT_TRUE(modCompress::DecompressData(source, plain, result, -1)) << "zlib " << result;
    return std::string(plain.begin(), plain.end());
}

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

TEST_F(CreateFormatTest, CompressedRecordsCarryStoredSizesOfStreamsWithTrailer) {
    const std::string text(1234, 'q');
    const std::string noise = RandomBytes(300000, 7);
    MakeTree(root, {{"a.txt", text}, {"b.bin", noise}, {"sub/c.txt", "tiny"}});
    ASSERT_EQ(Create(1), 1);
    EXPECT_EQ(engine.BlockVersion(), 2);
    EXPECT_EQ(engine.Compressed(), 1);
    EXPECT_EQ(engine.RootPath(), root + "/");

    const DecodedBox decoded = Decode();
    EXPECT_EQ(decoded.version, 2);
    ASSERT_EQ(decoded.storedTotal, decoded.dataArea);
    ASSERT_EQ(decoded.records.size(), 3u);
    const std::string originals[] = {text, noise, "tiny"};
    for (size_t i = 0; i < 3; ++i) {
        const DecodedRecord& record = decoded.records[i];
        EXPECT_EQ(record.size, static_cast<int32_t>(originals[i].size()));
        EXPECT_EQ(Expand(record.contents), originals[i]) << record.name;
    }
    EXPECT_THAT(Hex(decoded.records[0].contents),
                EndsWith("00 00 00 00 00 31 32 33 34 00 00 00 00 00 00 00 00"));
    EXPECT_GT(decoded.records[1].stored, decoded.records[1].size);  // incompressible
    EXPECT_THAT(host.messages, IsEmpty());
}

TEST_F(CreateFormatTest, EmptyFilesAreBoxedWithoutAMessage) {
    MakeTree(root, {{"empty.txt", ""}, {"full.txt", "full"}});
    for (int16_t compression : {0, 1}) {
        ASSERT_EQ(Create(compression), 1);
        const DecodedBox decoded = Decode();
        ASSERT_EQ(decoded.storedTotal, decoded.dataArea);
        const DecodedRecord& empty = decoded.records.at(0);
        EXPECT_EQ(empty.size, 0);
        if (compression == 1) {
            EXPECT_EQ(empty.stored, 8 + modCompress::kTrailerSize);
            EXPECT_EQ(Expand(empty.contents), "");
        } else {
            EXPECT_EQ(empty.stored, 0);
        }
        EXPECT_EQ(decoded.records.at(1).contents.empty(), false);
    }
    EXPECT_THAT(host.messages, IsEmpty());
}

}  // namespace
}  // namespace vko::test
