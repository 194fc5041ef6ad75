// Compression of whole files and expansion of ".zlib" files.
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

    // Compresses contents into a ".zlib" file the way extraction leaves one.
    std::string ZlibFileOf(const std::string& contents) {
        WriteFile(dir / "plain.bin", contents);
        int32_t result = 0;
        EXPECT_TRUE(mc::CompressFile(dir / "plain.bin", 9, result));
        EXPECT_EQ(mc::CompressedLength, static_cast<int32_t>(mc::CompressedBuffer.size()));
        WriteFile(zlib, std::string(mc::CompressedBuffer.begin(), mc::CompressedBuffer.end()));
        return zlib;
    }

    vko::test::TempDir dir;
    std::string zlib = dir / "packed.zlib";
    std::string out = dir / "out.bin";
    vko::test::ReportRecorder recorder;
};

TEST_F(CompressFile, RoundTripsThroughAZlibFile) {
    const std::string contents = vko::test::RandomBytes(200'000, 1) + std::string(100'000, 'z');
    ZlibFileOf(contents);
    EXPECT_LT(mc::CompressedLength, 300'000);
    int32_t result = -99;
    ASSERT_TRUE(mc::DecompressFile(zlib, out, result, true));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(out), contents);
    EXPECT_TRUE(fs::exists(zlib));

    // An empty file's stream (as boxes store one) expands to an empty file.
    mc::ByteArray stream;
    ASSERT_TRUE(mc::CompressToStream({}, stream, 9));
    WriteFile(zlib, std::string(stream.begin(), stream.end()));
    ASSERT_TRUE(mc::DecompressFile(zlib, out, result, true));
    EXPECT_EQ(ReadFile(out), "");
    EXPECT_TRUE(recorder.reports.empty());
}

// Missing or unnamed files fail with result 0 and no report, and change nothing.
TEST_F(CompressFile, MissingFilesFailQuietly) {
    ZlibFileOf("something to fill the buffer");
    for (const std::string& name : {std::string(), dir / "missing.txt", dir.Str()}) {
        int32_t result = 42;
        EXPECT_FALSE(mc::CompressFile(name, 9, result)) << name;
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(mc::CompressedBuffer.empty());
        EXPECT_EQ(mc::CompressedLength, 0);
    }
    WriteFile(out, "old contents");
    const std::pair<std::string, std::string> cases[] = {
        {"", out}, {zlib, ""}, {dir / "missing.zlib", out}};
    for (const auto& [source, dest] : cases) {
        int32_t result = 42;
        EXPECT_FALSE(mc::DecompressFile(source, dest, result, true)) << source << " " << dest;
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(ReadFile(out), "old contents");
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressFile, AnEmptyFileFailsWithAReport) {
    ZlibFileOf("something to fill the buffer");
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

    EXPECT_FALSE(mc::DecompressFile(empty, out, result, true));
    EXPECT_EQ(result, vko::FailureNumber::kInvalidArgument);
    EXPECT_EQ(recorder.reports.size(), 2u);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CompressFile, ABadTrailerFailsQuietlyAfterRemovingTheDestination) {
    WriteFile(zlib, std::string(40, 'x'));
    WriteFile(out, "old contents");
    int32_t result = 0;
    EXPECT_FALSE(mc::DecompressFile(zlib, out, result, true));
    EXPECT_EQ(result, mc::kResultBadTrailer);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(ReadFile(zlib), std::string(40, 'x'));
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressFile, WithoutOverwriteAnExistingDestinationStops) {
    const std::string packed = ReadFile(ZlibFileOf("new contents"));
    WriteFile(out, "old contents");
    int32_t result = 42;
    EXPECT_FALSE(mc::DecompressFile(zlib, out, result, false));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(out), "old contents");
    EXPECT_EQ(ReadFile(zlib), packed);
    EXPECT_TRUE(mc::DecompressFile(zlib, out, result, true));
    EXPECT_EQ(ReadFile(out), "new contents");
}

TEST_F(CompressFile, AFailedWriteLeavesNoPartialDestination) {
    ZlibFileOf(vko::test::RandomBytes(50'000, 2));
    vko::FileFaults::FailWritesAfter(1'000);
    int32_t result = 0;
    EXPECT_FALSE(mc::DecompressFile(zlib, out, result, true));
    EXPECT_EQ(result, vko::FailureNumber::kDiskFull);
    EXPECT_FALSE(fs::exists(out));
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_NE(recorder.reports[0].text.find(out), std::string::npos);
}

}  // namespace
