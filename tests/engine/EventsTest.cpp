// The events of creation and extraction, with their arguments, in order.
#include <filesystem>
#include <sstream>

#include "engine/EngineFixture.h"

using ::testing::ElementsAreArray;

namespace vko::test {
namespace {

class EventsTest : public EngineFixture {
protected:
    // Bytes of the temporary files of atomic writes in folder.
    static int64_t TemporaryBytes(const std::string& folder) {
        int64_t bytes = 0;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (entry.path().string().ends_with(AtomicFile::kTempSuffix))
                bytes += static_cast<int64_t>(entry.file_size());
        return bytes;
    }

    void SetUp() override {
        EngineFixture::SetUp();
        MakeTree(root, {{"a.bin", RandomBytes(300000, 3)}, {"b.txt", "abc"}});
    }
    std::string a = Source("a.bin");
    std::string b = Source("b.txt");
};

// The fields of a CipherProgress line after its name: read, total, left, file total.
std::vector<int64_t> ProgressFields(const std::string& line) {
    std::istringstream in(line.substr(line.find(' ')));
    std::vector<int64_t> fields(4);
    for (int64_t& field : fields) in >> field;
    return fields;
}

// A file of several pieces reports progress as its blocks are written, not once it is done:
// the first event comes while the box holds a small part of it, and bytesleft counts down to
// 0. Extraction raises its events as each block is deciphered and expanded.
TEST_F(EventsTest, ProgressOfALargeCompressedFileMovesAsItsBlocksAreWritten) {
    constexpr int64_t kSize = int64_t{3} << 20;
    engine.SetWorkerThreads(0);  // what is on disk at each event is then fixed
    std::filesystem::remove_all(root);
    WriteFile(Source("big.bin"), RandomBytes(static_cast<size_t>(kSize), 9));
    const std::string target = dir / "back";
    std::string watched = dir / "out";
    std::vector<int64_t> onDisk;  // bytes of the temporary file being written, at each event
    events.onEvent = [&](const std::string& line) {
        if (line.rfind("CipherProgress", 0) == 0) onDisk.push_back(TemporaryBytes(watched));
    };
    ASSERT_EQ(Create(1), 1);
    const auto created = events.Named("CipherProgress");
    ASSERT_GE(created.size(), 24u);
    EXPECT_LT(onDisk.front(), static_cast<int64_t>(std::filesystem::file_size(box)) / 8);
    int64_t left = kSize;
    for (const std::string& line : created) {
        const std::vector<int64_t> fields = ProgressFields(line);
        EXPECT_EQ(fields[3], kSize);
        EXPECT_LT(fields[2], left);
        left = fields[2];
    }
    EXPECT_EQ(left, 0);

    watched = target;
    onDisk.clear();
    ASSERT_EQ(engine.ExtractBlock(box, target, kPassword), 0);
    ASSERT_GE(onDisk.size(), 24u);
    EXPECT_GT(onDisk.front(), 0);
    EXPECT_LT(onDisk.front(), kSize / 8);
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

}  // namespace
}  // namespace vko::test
