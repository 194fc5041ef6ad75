// Three bytes to four printable characters and back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/cipherlib.h"
#include "support/TestFiles.h"
#include "util/Failure.h"

namespace {

// Encodes from a buffer of exactly the source's size into one with guard bytes after the
// promised maximum of 4 * (n / 3 + 1) characters, and checks that nothing past the result moved.
std::string Encode(const std::string& bytes) {
    const std::vector<char> source(bytes.begin(), bytes.end());
    std::string dest(4 * (bytes.size() / 3 + 1) + 8, '#');
    const auto written = static_cast<size_t>(
        EncodeText(source.data(), static_cast<int32_t>(source.size()), dest.data()));
    EXPECT_EQ(dest.substr(written), std::string(dest.size() - written, '#'));
    return dest.substr(0, written);
}

std::string Decode(const std::string& text) {
    const std::vector<char> source(text.begin(), text.end());
    std::string dest(text.size(), ' ');
    const int32_t written =
        DecodeText(source.data(), static_cast<int32_t>(source.size()), dest.data());
    return dest.substr(0, static_cast<size_t>(written));
}

TEST(TextCodec, EncodesTheStandardVectorsAndRoundTrips) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\xfe\x00", 3), "//4A"}};
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Encode(plain), encoded) << plain;
        EXPECT_EQ(Decode(encoded), plain) << encoded;
    }
    for (const size_t n : {255, 256, 257, 3071, 3072, 3073, 100'000}) {
        const std::string bytes = vko::test::RandomBytes(n, static_cast<uint32_t>(n));
        EXPECT_EQ(Decode(Encode(bytes)), bytes) << n;
    }
}

// A trailing partial group yields what it holds; characters outside the alphabet fail.
TEST(TextCodec, DecodesPartialGroupsAndRejectsForeignCharacters) {
    EXPECT_EQ(Decode("AA"), std::string(1, '\0'));
    EXPECT_EQ(Decode("AAA"), std::string(2, '\0'));
    EXPECT_EQ(Decode("A"), "");
    EXPECT_EQ(Decode("Zm9vYmE"), "fooba");
    for (const std::string text : {"Zm9v!", "Zm 9v", "Zg==Zg==", "=Zg", "Zm9v\n"}) {
        try {
            (void)Decode(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const vko::Failure& failure) {
            EXPECT_EQ(failure.Number(), vko::FailureNumber::kInvalidArgument);
            EXPECT_EQ(failure.Description(), "Invalid character in encoded text");
        }
    }
}

}  // namespace
