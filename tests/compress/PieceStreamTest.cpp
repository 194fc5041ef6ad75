// SPDX-License-Identifier: GPL-3.0-or-later
// Expansion of a stored stream fed in pieces of any size (that the pieces a compressed box joins
// form one zlib stream: the independent reader in tests/format).
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

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
    // A zlib stream of plain with its length trailer, as a compressed box stores a file.
    static std::string Stored(const std::string& plain) {
        mc::ByteArray stream;
        EXPECT_TRUE(mc::CompressToStream(mc::ByteArray(plain.begin(), plain.end()), stream, 9));
        return {stream.begin(), stream.end()};
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
