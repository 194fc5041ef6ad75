#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "AllocationProbe.h"
#include "ReportRecorder.h"
#include "compress/modCompress.h"
#include "support/TestFiles.h"
#include "util/Failure.h"

namespace {

namespace mc = vko::modCompress;
using mc::ByteArray;

ByteArray Bytes(const std::string& s) {
    return ByteArray(s.begin(), s.end());
}
std::string Text(const ByteArray& b) {
    return std::string(b.begin(), b.end());
}

// A compressible text of the given size.
ByteArray Prose(size_t size) {
    std::string text;
    while (text.size() < size) text += "the box holds the folder and every file in it. ";
    text.resize(size);
    return Bytes(text);
}

ByteArray Compressed(const ByteArray& plain) {
    ByteArray stream;
    int32_t result = 0;
    EXPECT_TRUE(mc::CompressData(plain, stream, 9, result, true));
    return stream;
}

class CompressData : public ::testing::Test {
protected:
    vko::test::ReportRecorder recorder;
};

TEST_F(CompressData, CapacityRoundsHalvesToEven) {
    const std::pair<int64_t, int64_t> cases[] = {{0, 15},        {1, 16},        {500, 516},
                                                 {1'000, 1'016}, {1'500, 1'516}, {2'500, 2'518}};
    for (const auto& [n, capacity] : cases) EXPECT_EQ(mc::CompressCapacity(n), capacity) << n;
}

TEST_F(CompressData, TrailerRecordsThePlainSizeInDecimal) {
    const std::pair<int64_t, std::string> cases[] = {
        {0, std::string(5, '\0') + "0" + std::string(11, '\0')},
        {123, std::string(5, '\0') + "123" + std::string(9, '\0')},
        {1'234, std::string(5, '\0') + "1234" + std::string(8, '\0')},
        {2'147'483'647, std::string(5, '\0') + "2147483647" + std::string(2, '\0')}};
    for (const auto& [size, trailer] : cases) EXPECT_EQ(mc::MakeTrailer(size), trailer) << size;
}

TEST_F(CompressData, AppendsTheTrailerToTheZlibStream) {
    for (const size_t n : {123, 1'234}) {
        const ByteArray plain = Prose(n);
        const ByteArray stream = Compressed(plain);
        ASSERT_GT(stream.size(), 17u);
        EXPECT_EQ(Text(ByteArray(stream.end() - 17, stream.end())), mc::MakeTrailer(int64_t(n)));

        ByteArray bare;
        int32_t result = 0;
        ASSERT_TRUE(mc::CompressData(plain, bare, 9, result, false));
        EXPECT_EQ(ByteArray(stream.begin(), stream.end() - 17), bare);
        EXPECT_EQ(bare[0], 0x78);  // a zlib header
    }
}

TEST_F(CompressData, RoundTrips) {
    for (const size_t n : {1, 2, 131'071, 131'072, 131'073, 300'000}) {
        SCOPED_TRACE(n);
        for (const ByteArray& plain : {Prose(n), Bytes(vko::test::RandomBytes(n, uint32_t(n)))}) {
            ByteArray stream = Compressed(plain);
            ByteArray back;
            int32_t result = -99;
            ASSERT_TRUE(mc::DecompressData(stream, back, result, -1));
            EXPECT_EQ(result, 0);
            EXPECT_EQ(back, plain);
        }
    }
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(CompressData, DecompressCutsTheTrailerOffTheCallersSource) {
    const ByteArray plain = Prose(1'000);
    ByteArray stream = Compressed(plain);
    const size_t size = stream.size();
    ByteArray back;
    int32_t result = 0;
    ASSERT_TRUE(mc::DecompressData(stream, back, result, -1));
    EXPECT_EQ(stream.size(), size - 17);
    // An explicit plain size reads the bare stream.
    ASSERT_TRUE(mc::DecompressData(stream, back, result, 1'000));
    EXPECT_EQ(back, plain);
}

TEST_F(CompressData, EmptyInputDoesNothing) {
    ByteArray dest = Bytes("untouched");
    int32_t result = 42;
    EXPECT_TRUE(mc::CompressData({}, dest, 9, result, true));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Text(dest), "untouched");
}

TEST_F(CompressData, ZlibErrorsFailWithoutAReport) {
    ByteArray dest;
    int32_t result = 0;
    EXPECT_FALSE(mc::CompressData(Prose(100), dest, 42, result, true));
    EXPECT_EQ(result, Z_STREAM_ERROR);
    EXPECT_TRUE(dest.empty());
    EXPECT_TRUE(recorder.reports.empty());
}

// A damaged trailer or stream fails. Only a malformed length is reported; a missing trailer or
// a length the stream does not expand to is a quiet result code, and a length beyond what the
// stream could ever reach is refused before anything of that size is allocated.
TEST_F(CompressData, DamagedTrailersAndStreamsFail) {
    struct Case {
        std::string digits;  // after the five 0x00 bytes, padded with 0x00
        int32_t result;
        bool reported;
    };
    const Case cases[] = {{"", vko::FailureNumber::kInvalidArgument, true},
                          {"12a", vko::FailureNumber::kInvalidArgument, true},
                          {"-5", vko::FailureNumber::kInvalidArgument, true},
                          {"12345678901", vko::FailureNumber::kInvalidArgument, true},
                          {"123456789012", vko::FailureNumber::kInvalidArgument, true},
                          {"2147483648", vko::FailureNumber::kOverflow, true},
                          {"2147483647", Z_DATA_ERROR, false},
                          {"100000000", Z_DATA_ERROR, false},
                          {"1001", Z_DATA_ERROR, false},
                          {"999", Z_BUF_ERROR, false}};
    for (const auto& [digits, code, reported] : cases) {
        SCOPED_TRACE(digits);
        ByteArray stream = Compressed(Prose(1'000));
        std::string trailer = std::string(5, '\0') + digits;
        trailer.resize(17, '\0');
        std::copy(trailer.begin(), trailer.end(), stream.end() - 17);
        ByteArray dest;
        int32_t result = 0;
        recorder.reports.clear();
        vko::test::ResetLargestAllocation();
        EXPECT_FALSE(mc::DecompressData(stream, dest, result, -1));
        EXPECT_LT(vko::test::LargestAllocation(), 1'000'000u);
        EXPECT_EQ(result, code);
        EXPECT_EQ(recorder.reports.size(), reported ? 1u : 0u);
        if (reported) {
            EXPECT_NE(recorder.reports[0].text.find("Error Number = " + std::to_string(code)),
                      std::string::npos);
        }
    }
}

TEST_F(CompressData, StreamsWithoutAProperTrailerFail) {
    ByteArray stream = Compressed(Prose(500));
    stream[stream.size() - 17 + 2] = 'x';
    const ByteArray before = stream;
    ByteArray dest;
    int32_t result = 0;
    EXPECT_FALSE(mc::DecompressData(stream, dest, result, -1));
    EXPECT_EQ(result, mc::kResultBadTrailer);
    EXPECT_EQ(stream, before);

    stream = Compressed(Prose(500));
    stream.insert(stream.end() - 17, 3, 0x55);  // bytes after the end of the zlib stream
    EXPECT_FALSE(mc::DecompressData(stream, dest, result, -1));
    EXPECT_EQ(result, Z_DATA_ERROR);
    EXPECT_TRUE(recorder.reports.empty());

    ByteArray tooShort(16, 0);
    EXPECT_FALSE(mc::DecompressData(tooShort, dest, result, -1));
    EXPECT_EQ(result, vko::FailureNumber::kInvalidArgument);
    EXPECT_EQ(recorder.reports.size(), 1u);
}

TEST_F(CompressData, CompressToStreamTakesEmptyInput) {
    ByteArray stream;
    ASSERT_TRUE(mc::CompressToStream({}, stream, 9));
    ASSERT_EQ(stream.size(), 25u);  // an 8-byte zlib stream of nothing and the trailer
    EXPECT_EQ(Text(ByteArray(stream.end() - 17, stream.end())), mc::MakeTrailer(0));

    ByteArray back = Bytes("stale");
    int32_t result = -99;
    ASSERT_TRUE(mc::DecompressData(stream, back, result, -1));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(back.empty());

    const ByteArray plain = Prose(777);
    ASSERT_TRUE(mc::CompressToStream(plain, stream, 9));
    EXPECT_EQ(stream, Compressed(plain));
}

}  // namespace
