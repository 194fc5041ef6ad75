// The cipher wrapper: runs over the shared cipher state, and the wrapped text format.
#include <gtest/gtest.h>

#include <string>

#include "crypto/CCipher.h"
#include "crypto/cipherlib.h"
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"
#include "util/Failure.h"

namespace {

using cipherlib_testing::HoldsPasswordKey;
using vko::CCipher;
using vko::test::RandomBytes;

class CCipherTest : public ::testing::Test {
protected:
    void SetUp() override { vko::test::UseFastKeys(); }
    void TearDown() override { cipher.Clear(); }

    // Undoes SecureString; checks that the caller's text lost exactly its 8-character header
    // and that no password key is left behind.
    std::string Unwrap(std::string wrapped) {
        const std::string body = wrapped.size() > 8 ? wrapped.substr(8) : std::string();
        std::string result = cipher.DeSecureString(wrapped, "pw");
        EXPECT_EQ(wrapped, body);
        EXPECT_FALSE(HoldsPasswordKey());
        return result;
    }

    CCipher cipher;
};

// Instances are stateless views of the one cipher state: a run split over two of them, in place
// or not, is the run of one.
TEST_F(CCipherTest, InstancesShareOneRun) {
    const std::string plain = RandomBytes(131'073, 2);
    cipher.Initilize("pw", 0);
    const std::string whole = cipher.Cipher(plain);
    EXPECT_EQ(cipher.Cipher(""), "");

    cipher.Initilize("pw");
    std::string split = cipher.Cipher(plain.substr(0, 100));
    std::string rest = plain.substr(100);
    CCipher().CipherInPlace(rest.data(), rest.size());
    EXPECT_EQ(split + rest, whole);

    cipher.Initilize("pw");
    EXPECT_EQ(cipher.Cipher(whole), plain);
}

TEST_F(CCipherTest, SecureStringRoundTrips) {
    for (const size_t n : {1, 2, 4, 5, 1'000, 131'072, 16'777'215}) {
        SCOPED_TRACE(n);
        const std::string plain = RandomBytes(n, static_cast<uint32_t>(n));
        const std::string wrapped = cipher.SecureString(plain, "pw");
        EXPECT_FALSE(HoldsPasswordKey());
        EXPECT_EQ(wrapped.size(), 8 + 4 * ((n + 2) / 3));
        EXPECT_EQ(Unwrap(wrapped), plain);
    }
    // The header records the length in three bytes, most significant first.
    const std::string wrapped = cipher.SecureString(std::string(70'000, 'a'), "pw");
    std::string header(8, ' ');
    ASSERT_EQ(DecodeText(wrapped.data(), 8, header.data()), 6);
    EXPECT_EQ(header.substr(0, 6), std::string("\x01\x11\x70\0\0\0", 6));
}

TEST_F(CCipherTest, SecureStringRefusesTextsBeyondThreeLengthBytes) {
    try {
        (void)cipher.SecureString(std::string(16'777'216, 'a'), "pw");
        FAIL() << "no failure";
    } catch (const vko::Failure& failure) {
        EXPECT_EQ(failure.Number(), vko::FailureNumber::kOverflow);
        EXPECT_EQ(failure.Description().rfind("Overflow", 0), 0u);
    }
    EXPECT_FALSE(HoldsPasswordKey());
}

// Short and headless texts, undecodable ones, and a header recording fewer bytes than the body
// holds, which cuts the result to that length.
TEST_F(CCipherTest, DeSecureStringOfDamagedTexts) {
    const std::string body = cipher.SecureString("abcdef", "pw").substr(8);
    std::string three(8, ' ');
    ASSERT_EQ(EncodeText(std::string("\0\0\x03\0\0\0", 6).data(), 6, three.data()), 8);
    const std::string invalid = "VBError: Invalid character in encoded text";
    const std::pair<std::string, std::string> cases[] = {
        {"", "ERR"},
        {"AA", "ERR"},
        {"AAA", "ERR"},
        {"AAAA", "ERR2"},
        {"AAAAAAAA", "ERR2"},
        {"AAAAAAA=", "ERR2"},
        {"AAAA!AAA" + body, invalid},
        {three + "!!!!", invalid},
        {three + body, "abc"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Unwrap(text), expected) << text;
}

}  // namespace
