#include "engine/BlockStore.h"
#include "engine/CreateFixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace vko::test {
namespace {

class CreateEventsTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        MakeTree(root, {{"a.bin", RandomBytes(300000, 3)}, {"b.txt", "abc"}});
    }
    std::string a = Source("a.bin");
    std::string b = Source("b.txt");
};

std::string Progress(int32_t read, int32_t total, int32_t left, int32_t fileTotal,
                     const std::string& path) {
    return "CipherProgress " + std::to_string(read) + " " + std::to_string(total) + " " +
           std::to_string(left) + " " + std::to_string(fileTotal) + " " + path;
}

TEST_F(CreateEventsTest, PlainBoxEventSequence) {
    ASSERT_EQ(Create(), 1);
    EXPECT_THAT(
        events.lines,
        ElementsAre("AddingToBlock " + a, "AddingToBlock " + b, "CreatingBlock",
                    "BuildingHeader 1 2", "BuildingHeader 2 2", "CreatingFileBlock",
                    Progress(131072, 300003, 168928, 300000, a),
                    Progress(262144, 300003, 37856, 300000, a),
                    Progress(300000, 300003, 0, 300000, a), Progress(300003, 300003, 0, 3, b)));
}

// Progress counts stored (compressed) bytes against the total of the file sizes.
TEST_F(CreateEventsTest, CompressedBoxEventSequence) {
    ASSERT_EQ(Create(1), 1);
    const DecodedBox decoded = Decode();
    const int32_t sa = decoded.records.at(0).stored;
    const int32_t sb = decoded.records.at(1).stored;
    ASSERT_GT(sa, 262144);
    std::vector<std::string> expected = {"AddingToBlock " + a,
                                         "AddingToBlock " + b,
                                         "CreatingBlock",
                                         "BuildingHeader 1 2",
                                         "BuildingHeader 2 2",
                                         "CreatingFileBlock",
                                         "CompressingFile " + a,
                                         Progress(131072, 300003, sa - 131072, sa, a),
                                         Progress(262144, 300003, sa - 262144, sa, a),
                                         Progress(sa, 300003, 0, sa, a),
                                         "CompressingFile " + b,
                                         Progress(sa + sb, 300003, 0, sb, b)};
    EXPECT_THAT(events.lines, ElementsAreArray(expected));
}

TEST(ThroughputTest, BytesPerSecondOnceASampleLastsASecond) {
    struct Case {
        int64_t bytes;
        int32_t milliseconds;
        int32_t expected;
    };
    const Case cases[] = {{131072, 0, 131072}, {131072, 999, 131072}, {3000, 1000, 3000},
                          {3000, 2000, 1500},  {5, 2000, 2},          {7, 2000, 4},
                          {0, 5000, 0},        {131072, -5, 131072}};
    for (const Case& c : cases)
        EXPECT_EQ(BlockStore::Throughput(c.bytes, c.milliseconds), c.expected)
            << c.bytes << " bytes in " << c.milliseconds << " ms";
}

}  // namespace
}  // namespace vko::test
