// Compression of buffers: the length trailer, round trips, and damaged trailers and streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "ReportRecorder.h"
#include "compress/modCompress.h"
#include "support/TestFiles.h"
#include "util/Failure.h"

// The largest single allocation of this test program, so that a test can prove a hostile length
// was never allocated.
namespace {
std::atomic<size_t> largest{0};

void* Allocate(size_t size) {
    size_t seen = largest.load();
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

// clang-format off
void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
// clang-format on

namespace {

namespace mc = vko::modCompress;
using mc::ByteArray;

ByteArray Bytes(const std::string& s) {
    return ByteArray(s.begin(), s.end());
}

// A compressible text of the given size.
ByteArray Prose(size_t size) {
    std::string text;
    while (text.size() < size) text += "the box holds the folder and every file in it. ";
    text.resize(size);
    return Bytes(text);
}

ByteArray Compressed(const ByteArray& plain, bool trailer = true) {
    ByteArray stream;
    int32_t result = 0;
    EXPECT_TRUE(mc::CompressData(plain, stream, 9, result, trailer));
    return stream;
}

class CompressData : public ::testing::Test {
protected:
    vko::test::ReportRecorder recorder;
};

// Five 0x00 bytes, the plain size in decimal, 0x00 up to 17 bytes, after the bare zlib stream.
TEST_F(CompressData, TrailerRecordsThePlainSize) {
    const std::pair<size_t, std::string> cases[] = {{123, std::string("\0\0\0\0\0"
                                                                      "123\0\0\0\0\0\0\0\0\0",
                                                                      17)},
                                                    {1'234, std::string("\0\0\0\0\0"
                                                                        "1234\0\0\0\0\0\0\0\0",
                                                                        17)}};
    for (const auto& [n, trailer] : cases) {
        const ByteArray stream = Compressed(Prose(n));
        const ByteArray bare = Compressed(Prose(n), false);
        EXPECT_EQ(bare[0], 0x78);  // a zlib header
        EXPECT_EQ(ByteArray(stream.begin(), stream.end() - 17), bare);
        EXPECT_EQ(ByteArray(stream.end() - 17, stream.end()), Bytes(trailer));
        EXPECT_EQ(mc::MakeTrailer(static_cast<int64_t>(n)), trailer);
    }
    EXPECT_EQ(mc::MakeTrailer(2'147'483'647),
              std::string(5, '\0') + std::string("2147483647\0\0", 12));
}

TEST_F(CompressData, RoundTrips) {
    for (const size_t n : {1, 2, 131'071, 131'072, 131'073, 300'000}) {
        SCOPED_TRACE(n);
        for (const ByteArray& plain : {Prose(n), Bytes(vko::test::RandomBytes(n, uint32_t(n)))}) {
            ByteArray stream = Compressed(plain);
            const size_t size = stream.size();
            ByteArray back;
            int32_t result = -99;
            ASSERT_TRUE(mc::DecompressData(stream, back, result, -1));
            EXPECT_EQ(result, 0);
            EXPECT_EQ(back, plain);
            EXPECT_EQ(stream.size(), size - 17);  // the caller's source loses its trailer
            ASSERT_TRUE(mc::DecompressData(stream, back, result, static_cast<int32_t>(n)));
            EXPECT_EQ(back, plain);  // an explicit plain size reads the bare stream
            ASSERT_TRUE(mc::CompressToStream(plain, stream, 9));
            EXPECT_EQ(stream, Compressed(plain));
        }
    }
    EXPECT_TRUE(recorder.reports.empty());
}

// CompressData leaves empty input alone; CompressToStream makes the 8-byte stream of nothing,
// which expands to nothing. A bad level is zlib's error, not a report.
TEST_F(CompressData, EmptyInputAndBadLevel) {
    ByteArray dest = Bytes("untouched");
    int32_t result = 42;
    EXPECT_TRUE(mc::CompressData({}, dest, 9, result, true));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dest, Bytes("untouched"));

    ASSERT_TRUE(mc::CompressToStream({}, dest, 9));
    ASSERT_EQ(dest.size(), 25u);
    ByteArray back = Bytes("stale");
    ASSERT_TRUE(mc::DecompressData(dest, back, result, -1));
    EXPECT_TRUE(back.empty());

    EXPECT_FALSE(mc::CompressData(Prose(100), dest, 42, result, true));
    EXPECT_EQ(result, Z_STREAM_ERROR);
    EXPECT_TRUE(recorder.reports.empty());
}

// Only a malformed length is reported; a missing trailer or a length the stream does not expand
// to is a quiet result code, and a length beyond what the stream could ever reach is refused
// before anything of that size is allocated.
TEST_F(CompressData, DamagedTrailersAndStreamsFail) {
    const ByteArray good = Compressed(Prose(1'000));
    const auto withDigits = [&](const std::string& digits) {
        ByteArray stream = good;
        std::string trailer = std::string(5, '\0') + digits;
        trailer.resize(17, '\0');
        std::copy(trailer.begin(), trailer.end(), stream.end() - 17);
        return stream;
    };
    ByteArray notATrailer = good;
    notATrailer[good.size() - 15] = 'x';
    ByteArray bytesAfterStream = good;
    bytesAfterStream.insert(bytesAfterStream.end() - 17, 3, 0x55);
    const struct {
        const char* label;
        ByteArray stream;
        int32_t result;
        bool reported;
    } cases[] = {
        {"no digits", withDigits(""), vko::FailureNumber::kInvalidArgument, true},
        {"letter", withDigits("12a"), vko::FailureNumber::kInvalidArgument, true},
        {"negative", withDigits("-5"), vko::FailureNumber::kInvalidArgument, true},
        {"11 digits", withDigits("12345678901"), vko::FailureNumber::kInvalidArgument, true},
        {"12 digits", withDigits("123456789012"), vko::FailureNumber::kInvalidArgument, true},
        {"above 2^31-1", withDigits("2147483648"), vko::FailureNumber::kOverflow, true},
        {"2^31-1", withDigits("2147483647"), Z_DATA_ERROR, false},
        {"100 million", withDigits("100000000"), Z_DATA_ERROR, false},
        {"one more", withDigits("1001"), Z_DATA_ERROR, false},
        {"one less", withDigits("999"), Z_BUF_ERROR, false},
        {"not a trailer", notATrailer, mc::kResultBadTrailer, false},
        {"bytes after the stream", bytesAfterStream, Z_DATA_ERROR, false},
        {"shorter than a trailer", ByteArray(16, 0), vko::FailureNumber::kInvalidArgument, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ByteArray stream = c.stream;
        ByteArray dest;
        int32_t result = 0;
        recorder.reports.clear();
        largest = 0;
        EXPECT_FALSE(mc::DecompressData(stream, dest, result, -1));
        EXPECT_LT(largest.load(), 1'000'000u);
        EXPECT_EQ(result, c.result);
        ASSERT_EQ(recorder.reports.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_NE(recorder.reports[0].text.find("Error Number = " + std::to_string(c.result)),
                      std::string::npos);
        }
        if (c.result == mc::kResultBadTrailer) {
            EXPECT_EQ(stream, c.stream);  // nothing cut off
        }
    }
}

}  // namespace
