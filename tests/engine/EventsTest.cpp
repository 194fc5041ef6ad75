// The events of creation and extraction, with their arguments, in order.
#include "engine/BlockStore.h"
#include "engine/BlockUnpack.h"
#include "engine/EngineFixture.h"

using ::testing::ElementsAreArray;

namespace vko::test {
namespace {

class EventsTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        MakeTree(root, {{"a.bin", RandomBytes(300000, 3)}, {"b.txt", "abc"}});
    }
    std::string a = Source("a.bin");
    std::string b = Source("b.txt");
};

// Progress counts stored (in a compressed box: compressed) bytes against the total of the file
// sizes.
TEST_F(EventsTest, CreateSequence) {
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression);
        events.lines.clear();
        ASSERT_EQ(Create(compression), 1);
        const std::vector<StoredFile> stored = ReadStored(box, kPassword);
        const int32_t sa = stored.at(0).record.Stored;
        const int32_t sb = stored.at(1).record.Stored;
        ASSERT_GT(sa, 262144);
        std::vector<std::string> expected = {"AddingToBlock " + a, "AddingToBlock " + b,
                                             "CreatingBlock",      "BuildingHeader 1 2",
                                             "BuildingHeader 2 2", "CreatingFileBlock"};
        if (compression) expected.push_back("CompressingFile " + a);
        for (const int32_t read : {131072, 262144, sa})
            expected.push_back(Progress(read, 300003, sa - read, sa, a));
        if (compression) expected.push_back("CompressingFile " + b);
        expected.push_back(Progress(sa + sb, 300003, 0, sb, b));
        EXPECT_THAT(events.lines, ElementsAreArray(expected));
    }
}

TEST_F(EventsTest, OneExtractionProgressEventPerChunk) {
    const struct {
        int32_t size;
        std::vector<int32_t> left;
    } cases[] = {{131071, {0}}, {131072, {0}}, {131073, {1, 0}}, {300000, {168928, 37856, 0}}};
    const std::string target = dir / "out";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        BoxLayout layout;
        layout.folders = {"Docs", "sub\\"};
        layout.files = {{0, "big", RandomBytes(static_cast<size_t>(c.size), 3)},
                        {2, "t", "0123456789"}};
        events.lines.clear();
        ASSERT_EQ(engine.ExtractBlock(Forge(layout), target, kPassword), 0);
        std::vector<std::string> expected;
        for (const int32_t left : c.left)
            expected.push_back(Progress(c.size - left, c.size + 10, left, c.size, target + "/big"));
        expected.push_back(Progress(c.size + 10, c.size + 10, 0, 10, target + "/sub/t"));
        EXPECT_EQ(events.lines, expected);
    }
}

// A file's DecompressingFile follows its last CipherProgress, and window messages run after it.
TEST_F(EventsTest, DecompressingFileFollowsTheLastChunk) {
    BoxLayout layout;
    layout.version = 2;
    layout.files = {{0, "big", RandomBytes(300000, 4)}};
    const auto stored = static_cast<int32_t>(ZlibStored(layout.files[0].contents).size());
    const std::string target = dir / "out";
    const std::string zlib = target + "/big.zlib";
    size_t eventsAtPump = 0;
    host.onPump = [&] { eventsAtPump = events.lines.size(); };
    ASSERT_EQ(engine.ExtractBlock(Forge(layout), target, kPassword), 0);
    EXPECT_THAT(
        events.lines,
        ElementsAreArray({Progress(131072, stored, stored - 131072, stored, zlib),
                          Progress(262144, stored, stored - 262144, stored, zlib),
                          Progress(stored, stored, 0, stored, zlib), "DecompressingFile " + zlib}));
    EXPECT_EQ(eventsAtPump, events.lines.size());

    // File by file, progress names the file and counts its stored bytes alone.
    events.lines.clear();
    ASSERT_EQ(engine.DynamicExtractBlock(Forge(layout), target, kPassword), 0);
    engine.DynamicExtractToFile(1, target);
    EXPECT_THAT(events.lines,
                ElementsAreArray({Progress(131072, stored, stored - 131072, stored, "big"),
                                  Progress(262144, stored, stored - 262144, stored, "big"),
                                  Progress(stored, stored, 0, stored, "big"),
                                  "DecompressingFile " + zlib}));
    EXPECT_EQ(ReadTree(target), (Tree{{"big", layout.files[0].contents}}));
}

// Bytes per second: the bytes themselves for a sample under a second (never a division by
// zero), otherwise rounded half to even.
TEST(ThroughputTest, BytesPerSecond) {
    const struct {
        int32_t bytes, milliseconds, expected;
    } cases[] = {{131072, 0, 131072}, {131072, 999, 131072}, {131072, -5, 131072},
                 {3000, 1000, 3000},  {131072, 2000, 65536}, {5, 2000, 2},
                 {7, 2000, 4},        {9, 4000, 2},          {0, 5000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytes) + " bytes in " + std::to_string(c.milliseconds));
        EXPECT_EQ(BlockStore::Throughput(c.bytes, c.milliseconds), c.expected);
        EXPECT_EQ(BlockUnpack::Throughput(c.bytes, c.milliseconds), c.expected);
    }
}

}  // namespace
}  // namespace vko::test
