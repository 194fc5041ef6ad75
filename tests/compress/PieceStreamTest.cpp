// Streams joined from independently compressed pieces, and their expansion fed in pieces.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "compress/BlockDeflater.h"
#include "compress/StreamExpander.h"
#include "compress/modCompress.h"
#include "support/TestFiles.h"

namespace {

namespace mc = vko::modCompress;
using vko::test::ReadFile;
using vko::test::TempDir;

const uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

// Joins plain cut at the given lengths the way box creation does; with keepOpen the last piece
// is not final, as when a file ends before its measured size.
std::string Joined(const std::string& plain, const std::vector<size_t>& cuts,
                   bool keepOpen = false) {
    mc::BlockDeflater deflater;
    std::string stream(reinterpret_cast<const char*>(mc::kZlibHeader), 2);
    uint32_t adler = mc::Adler32(nullptr, 0);
    size_t start = 0;
    for (size_t i = 0; i < cuts.size(); ++i) {
        const size_t primer = std::min(start, mc::kDictionaryBytes);
        const bool last = i + 1 == cuts.size() && !keepOpen;
        mc::ByteArray piece;
        deflater.Compress(Bytes(plain) + start - primer, primer, Bytes(plain) + start, cuts[i],
                          last, piece);
        stream.append(piece.begin(), piece.end());
        adler = mc::Adler32Combine(adler, mc::Adler32(Bytes(plain) + start, cuts[i]),
                                   static_cast<int64_t>(cuts[i]));
        start += cuts[i];
    }
    if (keepOpen) stream.append(reinterpret_cast<const char*>(mc::kEmptyFinalBlock), 2);
    return stream + mc::ChecksumBytes(adler);
}

std::string Uncompress(const std::string& stream, size_t plainSize) {
    std::string out(plainSize + 1, '\0');
    uLongf length = out.size();
    uLong consumed = stream.size();
    EXPECT_EQ(uncompress2(reinterpret_cast<Bytef*>(out.data()), &length, Bytes(stream), &consumed),
              Z_OK);
    EXPECT_EQ(consumed, stream.size());
    out.resize(length);
    return out;
}

// zlib's own uncompress takes the joined stream as one RFC 1950 stream, whatever the cuts.
TEST(PieceStream, JoinedPiecesAreOneZlibStream) {
    const std::string text = [] {
        std::string t;
        for (int i = 0; t.size() < 300'000; ++i)
            t += "line " + std::to_string(i % 977) + " of text\n";
        return t;
    }();
    const std::string plain = text + vko::test::RandomBytes(100'000, 5);
    const size_t n = plain.size();
    struct Case {
        const char* label;
        std::vector<size_t> cuts;
        bool keepOpen;
    };
    const Case cases[] = {
        {"one piece", {n}, false},
        {"even pieces", {n / 4, n / 4, n / 4, n - 3 * (n / 4)}, false},
        {"piece shorter than the dictionary", {1000, n - 1000}, false},
        {"stream closed after an open piece", {n / 2, n - n / 2}, true},
        {"empty", {0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string source = c.cuts.size() == 1 && c.cuts[0] == 0 ? std::string() : plain;
        EXPECT_EQ(Uncompress(Joined(source, c.cuts, c.keepOpen), source.size()), source);
    }
    // Priming with the previous 32 KiB lets repeated text refer back across the cut.
    const size_t half = text.size() / 2;
    EXPECT_LT(Joined(text, {half, text.size() - half}).size(),
              Joined(text, {text.size()}).size() * 11 / 10);
}

class Expander : public ::testing::Test {
protected:
    // Feeds stored in pieces of size step; returns the outcome and leaves the file in out.
    mc::StreamExpander::Outcome Expand(const std::string& stored, size_t step) {
        vko::OutputFile file(out);
        mc::StreamExpander expander(file, "test stream");
        for (size_t i = 0; i < stored.size(); i += step)
            expander.Feed(Bytes(stored) + i, std::min(step, stored.size() - i));
        auto outcome = expander.Finish();
        file.Close();
        return outcome;
    }
    static std::string Stored(const std::string& plain) {
        return Joined(plain, {plain.size()}) + mc::MakeTrailer(static_cast<int64_t>(plain.size()));
    }

    TempDir dir;
    std::string out = dir / "out.bin";
};

TEST_F(Expander, ExpandsWhateverTheFeedSizes) {
    const std::string plain = vko::test::RandomBytes(70'000, 9) + std::string(500'000, 'x');
    const std::string stored = Stored(plain);
    for (const size_t step :
         {size_t{1}, size_t{16}, size_t{17}, size_t{18}, size_t{4096}, stored.size()}) {
        SCOPED_TRACE(step);
        const auto outcome = Expand(stored, step);
        EXPECT_TRUE(outcome.expanded);
        EXPECT_EQ(ReadFile(out), plain);
    }
}

// Each damage is refused; those the compression module reports carry a failure to show.
TEST_F(Expander, RefusesDamagedStreams) {
    const std::string good = Stored("some plain text, some plain text");
    const size_t end = good.size() - 17;  // where the trailer starts
    const auto with = [&](size_t at, char c) {
        std::string damaged = good;
        damaged[at] = c;
        return damaged;
    };
    const struct {
        const char* label;
        std::string stored;
        int32_t result;
    } cases[] = {
        {"empty", "", 5},
        {"shorter than a trailer", good.substr(0, 10), 5},
        {"no trailer", good.substr(0, end) + std::string(17, 'z'), -1},
        {"malformed length", with(end + 5, 'x'), 5},
        {"flipped stream byte", with(5, static_cast<char>(good[5] ^ 0x40)), Z_DATA_ERROR},
        {"length other than the stream's", with(end + 6, '9'), Z_DATA_ERROR},  // 33 -> 39
        {"bytes between stream and trailer", good.substr(0, end) + "x" + good.substr(end),
         Z_DATA_ERROR},
        {"stream cut short", good.substr(0, end - 8) + good.substr(end), Z_DATA_ERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto outcome = Expand(c.stored, 7);
        EXPECT_FALSE(outcome.expanded);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.failure.has_value(), c.result == 5);  // only a bad trailer is reported
    }
}

}  // namespace
