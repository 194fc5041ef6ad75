// SPDX-License-Identifier: GPL-3.0-or-later
// The buffer and file forms of compression: no front end calls them, so one table each for what
// must never go wrong: round trips at block edges, damaged lengths refused, and a failed write
// that leaves no partial file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <vector>

#include "compress/modCompress.h"
#include "support/TestFiles.h"
#include "util/Failure.h"
#include "util/File.h"

namespace {

namespace mc = vko::modCompress;
using mc::ByteArray;

ByteArray Bytes(const std::string& s) {
    return ByteArray(s.begin(), s.end());
}

// Records the module's failure reports for the life of the object.
struct ReportRecorder {
    ReportRecorder() {
        mc::SetErrorReporter(
            [this](const std::string&, const std::string& text) { reports.push_back(text); });
    }
    ~ReportRecorder() { mc::SetErrorReporter(nullptr); }
    std::vector<std::string> reports;
};

ByteArray Compressed(const std::string& plain) {
    ByteArray stream;
    int32_t result = 0;
    EXPECT_TRUE(mc::CompressData(Bytes(plain), stream, 9, result, true));
    return stream;
}

TEST(ModCompress, BuffersRoundTripAndDamagedTrailersFail) {
    for (const size_t n : {1, 131'072, 131'073})
        for (const std::string& plain : {std::string(n, 'p'), vko::test::RandomBytes(n, 1)}) {
            ByteArray stream = Compressed(plain), back;
            int32_t result = -1;
            ASSERT_TRUE(mc::DecompressData(stream, back, result, -1)) << n;
            EXPECT_EQ(back, Bytes(plain)) << n;
        }
    const ByteArray good = Compressed(std::string(1000, 'q'));
    const auto withDigits = [&](const std::string& digits) {
        ByteArray stream = good;
        std::string trailer = std::string(5, '\0') + digits;
        trailer.resize(17, '\0');
        std::copy(trailer.begin(), trailer.end(), stream.end() - 17);
        return stream;
    };
    const std::pair<ByteArray, int32_t> damaged[] = {
        {withDigits("12a"), vko::FailureNumber::kInvalidArgument},
        {withDigits("2147483648"), vko::FailureNumber::kOverflow},
        {withDigits("2147483647"), Z_DATA_ERROR},  // refused before it is allocated
        {withDigits("999"), Z_BUF_ERROR},
        {ByteArray(16, 0), vko::FailureNumber::kInvalidArgument},
    };
    ReportRecorder recorder;
    for (const auto& [stream, expected] : damaged) {
        ByteArray source = stream, dest;
        int32_t result = 0;
        EXPECT_FALSE(mc::DecompressData(source, dest, result, -1));
        EXPECT_EQ(result, expected);
    }
}

TEST(ModCompress, FilesRoundTripAndAFailedWriteLeavesNoPartialFile) {
    vko::test::TempDir dir;
    const std::string plain = vko::test::RandomBytes(50'000, 2) + std::string(100'000, 'z');
    vko::test::WriteFile(dir / "plain.bin", plain);
    int32_t result = 0;
    ASSERT_TRUE(mc::CompressFile(dir / "plain.bin", 9, result));
    vko::test::WriteFile(dir / "a.zlib",
                         std::string(mc::CompressedBuffer.begin(), mc::CompressedBuffer.end()));
    ASSERT_TRUE(mc::DecompressFile(dir / "a.zlib", dir / "back.bin", result, true));
    EXPECT_EQ(vko::test::ReadFile(dir / "back.bin"), plain);

    ReportRecorder recorder;
    vko::FileFaults::FailWritesAfter(1'000);
    EXPECT_FALSE(mc::DecompressFile(dir / "a.zlib", dir / "cut.bin", result, true));
    vko::FileFaults::Reset();
    EXPECT_EQ(result, vko::FailureNumber::kDiskFull);
    EXPECT_FALSE(std::filesystem::exists(dir / "cut.bin"));
    EXPECT_EQ(recorder.reports.size(), 1u);
}

}  // namespace
