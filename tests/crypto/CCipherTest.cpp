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

    // Undoes SecureString; checks that the caller's text lost exactly its header.
    std::string Unwrap(std::string wrapped, const std::string& password) {
        const std::string body = wrapped.size() > 8 ? wrapped.substr(8) : std::string();
        std::string result = cipher.DeSecureString(wrapped, password);
        EXPECT_EQ(wrapped, body);
        return result;
    }

    CCipher cipher;
};

TEST_F(CCipherTest, CipherTwiceFromTheSameKeyingRestoresTheText) {
    const std::string plain = RandomBytes(5'000, 1);
    cipher.Initilize("pw", 0);
    const std::string enciphered = cipher.Cipher(plain);
    EXPECT_NE(enciphered, plain);
    cipher.Initilize("pw", 0);
    EXPECT_EQ(cipher.Cipher(enciphered), plain);
    EXPECT_EQ(cipher.Cipher(""), "");
}

TEST_F(CCipherTest, InstancesShareOneStream) {
    const std::string plain = RandomBytes(300, 2);
    cipher.Initilize("pw");
    const std::string whole = cipher.Cipher(plain);

    cipher.Initilize("pw");
    CCipher other;
    std::string split = cipher.Cipher(plain.substr(0, 100));
    split += other.Cipher(plain.substr(100));
    EXPECT_EQ(split, whole);
}

TEST_F(CCipherTest, CipherInPlaceMatchesCipher) {
    const std::string plain = RandomBytes(131'073, 3);
    cipher.Initilize("pw");
    const std::string expected = cipher.Cipher(plain);
    std::string buffer = plain;
    cipher.Initilize("pw");
    cipher.CipherInPlace(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, expected);
}

TEST_F(CCipherTest, SecureStringRoundTrips) {
    for (const size_t n : {1, 2, 3, 4, 5, 6, 7, 1'000, 131'072, 1'000'001, 16'777'215}) {
        SCOPED_TRACE(n);
        const std::string plain = RandomBytes(n, static_cast<uint32_t>(n));
        const std::string wrapped = cipher.SecureString(plain, "pw");
        EXPECT_FALSE(HoldsPasswordKey());
        EXPECT_EQ(wrapped.size(), 8 + 4 * ((n + 2) / 3));
        EXPECT_EQ(Unwrap(wrapped, "pw"), plain);
        EXPECT_FALSE(HoldsPasswordKey());
    }
}

TEST_F(CCipherTest, SecureStringHeaderRecordsTheLength) {
    const std::string wrapped = cipher.SecureString(std::string(70'000, 'a'), "pw");
    std::string header(8, ' ');
    ASSERT_EQ(DecodeText(wrapped.data(), 8, header.data()), 6);
    EXPECT_EQ(header.substr(0, 6), std::string("\x01\x11\x70\0\0\0", 6));  // 70,000 = 0x011170
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

TEST_F(CCipherTest, DeSecureStringOfAShortOrHeadlessText) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "ERR"},       // no header at all
        {"AA", "ERR"},     // one byte of header
        {"AAA", "ERR"},    // two bytes
        {"AAAA", "ERR2"},  // three bytes, no body
        {"AAAAAAAA", "ERR2"}, {"AAAAAAA=", "ERR2"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(Unwrap(text, "pw"), expected) << text;
        EXPECT_FALSE(HoldsPasswordKey());
    }
}

TEST_F(CCipherTest, DeSecureStringReportsUndecodableText) {
    const std::string wrapped = cipher.SecureString("some text", "pw");
    const std::string badBody = wrapped.substr(0, 8) + "!!!!";
    const std::string badHead = "AAAA!AAA" + wrapped.substr(8);
    for (const std::string& text : {badBody, badHead}) {
        EXPECT_EQ(Unwrap(text, "pw"), "VBError: Invalid character in encoded text") << text;
        EXPECT_FALSE(HoldsPasswordKey());
    }
}

TEST_F(CCipherTest, DeSecureStringKeepsTheRecordedLength) {
    // A header recording fewer bytes than the body holds cuts the result to that length.
    const std::string wrapped = cipher.SecureString("abcdef", "pw");
    std::string header(8, ' ');
    const std::string three("\0\0\x03\0\0\0", 6);
    ASSERT_EQ(EncodeText(three.data(), 6, header.data()), 8);
    EXPECT_EQ(Unwrap(header + wrapped.substr(8), "pw"), "abc");
}

}  // namespace
