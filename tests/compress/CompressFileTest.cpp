#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ReportRecorder.h"
#include "compress/modCompress.h"
#include "support/TestFiles.h"
#include "util/Failure.h"
#include "util/File.h"

namespace {

namespace fs = std::filesystem;
namespace mc = vko::modCompress;
using vko::test::ReadFile;
using vko::test::WriteFile;

class CompressFile : public ::testing::Test {
protected:
    void TearDown() override { vko::FileFaults::Reset(); }

    // Compresses source into a ".zlib" file the way extraction leaves one.
    std::string ZlibFileOf(const std::string& contents) {
        const std::string source = dir / "plain.bin";
        const std::string zlib = dir / "packed.zlib";
        WriteFile(source, contents);
        int32_t result = 0;
        EXPECT_TRUE(mc::CompressFile(source, 9, result));
        WriteFile(zlib, std::string(mc::CompressedBuffer.begin(), mc::CompressedBuffer.end()));
        return zlib;
    }

    vko::test::TempDir dir;
    vko::test::ReportRecorder recorder;
};

TEST_F(CompressFile, RoundTripsThroughAZlibFile) {
    const std::string contents = vko::test::RandomBytes(200'000, 1) + std::string(100'000, 'z');
    const std::string zlib = ZlibFileOf(contents);
    EXPECT_EQ(mc::CompressedLength, static_cast<int32_t>(mc::CompressedBuffer.size()));
    EXPECT_LT(mc::CompressedLength, 300'000);

    int32_t result = -99;
    ASSERT_TRUE(mc::DecompressFile(zlib, dir / "out.bin", result, true));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(dir / "out.bin"), contents);
    EXPECT_TRUE(fs::exists(zlib));
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressFile, AMissingFileFailsQuietlyAndEmptiesTheBuffer) {
    (void)ZlibFileOf("something to fill the buffer");
    ASSERT_GT(mc::CompressedLength, 0);
    for (const std::string& name : {std::string(), dir / "missing.txt", dir.Str()}) {
        int32_t result = 42;
        EXPECT_FALSE(mc::CompressFile(name, 9, result)) << name;
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(mc::CompressedBuffer.empty());
        EXPECT_EQ(mc::CompressedLength, 0);
    }
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressFile, AnEmptyFileFailsWithAReport) {
    (void)ZlibFileOf("something to fill the buffer");
    const std::string empty = dir / "empty.txt";
    WriteFile(empty, "");
    int32_t result = 0;
    EXPECT_FALSE(mc::CompressFile(empty, 9, result));
    EXPECT_EQ(result, vko::FailureNumber::kInvalidArgument);
    EXPECT_TRUE(mc::CompressedBuffer.empty());
    EXPECT_EQ(mc::CompressedLength, 0);

    ASSERT_EQ(recorder.reports.size(), 1u);
    const std::string description = "Cannot compress an empty file: " + empty;
    EXPECT_EQ(recorder.reports[0].title, "  Error  -  " + description);
    EXPECT_EQ(recorder.reports[0].text,
              "modCompress.CompressFile caused the following error :\r\rError Number = 5\r"
              "Error Description = " +
                  description);

    result = 0;
    EXPECT_FALSE(mc::DecompressFile(empty, dir / "out.bin", result, true));
    EXPECT_EQ(result, vko::FailureNumber::kInvalidArgument);
    EXPECT_EQ(recorder.reports.size(), 2u);
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
}

TEST_F(CompressFile, ABadTrailerFailsQuietlyAfterRemovingTheDestination) {
    const std::string zlib = dir / "bad.zlib";
    WriteFile(zlib, std::string(40, 'x'));
    WriteFile(dir / "out.bin", "old contents");
    int32_t result = 0;
    EXPECT_FALSE(mc::DecompressFile(zlib, dir / "out.bin", result, true));
    EXPECT_EQ(result, mc::kResultBadTrailer);
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
    EXPECT_EQ(ReadFile(zlib), std::string(40, 'x'));
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressFile, WithoutOverwriteAnExistingDestinationStops) {
    const std::string zlib = ZlibFileOf("new contents");
    const std::string packed = ReadFile(zlib);
    WriteFile(dir / "out.bin", "old contents");
    int32_t result = 42;
    EXPECT_FALSE(mc::DecompressFile(zlib, dir / "out.bin", result, false));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(dir / "out.bin"), "old contents");
    EXPECT_EQ(ReadFile(zlib), packed);

    EXPECT_TRUE(mc::DecompressFile(zlib, dir / "out.bin", result, true));
    EXPECT_EQ(ReadFile(dir / "out.bin"), "new contents");
}

TEST_F(CompressFile, MissingNamesFailQuietly) {
    const std::string zlib = ZlibFileOf("contents");
    WriteFile(dir / "out.bin", "old contents");
    const std::pair<std::string, std::string> cases[] = {
        {"", dir / "out.bin"}, {zlib, ""}, {dir / "missing.zlib", dir / "out.bin"}};
    for (const auto& [source, dest] : cases) {
        int32_t result = 42;
        EXPECT_FALSE(mc::DecompressFile(source, dest, result, true));
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(ReadFile(dir / "out.bin"), "old contents");
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressFile, AFailedWriteLeavesNoPartialDestination) {
    const std::string zlib = ZlibFileOf(vko::test::RandomBytes(50'000, 2));
    vko::FileFaults::FailWritesAfter(1'000);
    int32_t result = 0;
    EXPECT_FALSE(mc::DecompressFile(zlib, dir / "out.bin", result, true));
    EXPECT_EQ(result, vko::FailureNumber::kDiskFull);
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_NE(recorder.reports[0].text.find(dir / "out.bin"), std::string::npos);
}

TEST_F(CompressFile, AnEmptyFilesStreamExpandsToAnEmptyFile) {
    mc::ByteArray stream;
    ASSERT_TRUE(mc::CompressToStream({}, stream, 9));
    const std::string zlib = dir / "empty.zlib";
    WriteFile(zlib, std::string(stream.begin(), stream.end()));
    ASSERT_EQ(fs::file_size(zlib), 25u);
    int32_t result = -99;
    ASSERT_TRUE(mc::DecompressFile(zlib, dir / "out.bin", result, true));
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(fs::is_regular_file(dir / "out.bin"));
    EXPECT_EQ(fs::file_size(dir / "out.bin"), 0u);
}

}  // namespace
