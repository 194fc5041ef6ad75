// SPDX-License-Identifier: GPL-3.0-or-later
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

// SecureString and its text codec: no front end calls them, so one table for both. The wrapped
// text is an eight-character header (the length in three bytes) and the enciphered bytes, three
// to four printable characters.
TEST_F(CCipherTest, SecureStringRoundTripsAndRefusesWhatItCannotHold) {
    for (const size_t n : {1, 2, 4, 131'072}) {
        const std::string plain = RandomBytes(n, static_cast<uint32_t>(n));
        const std::string wrapped = cipher.SecureString(plain, "pw");
        EXPECT_EQ(wrapped.size(), 8 + 4 * ((n + 2) / 3)) << n;
        EXPECT_EQ(Unwrap(wrapped), plain) << n;
    }
    EXPECT_THROW((void)cipher.SecureString(std::string(16'777'216, 'a'), "pw"), vko::Failure);
    EXPECT_FALSE(HoldsPasswordKey());

    const std::string body = cipher.SecureString("abcdef", "pw").substr(8);
    std::string three(8, ' ');
    ASSERT_EQ(EncodeText(std::string("\0\0\x03\0\0\0", 6).data(), 6, three.data()), 8);
    const std::pair<std::string, std::string> damaged[] = {
        {"AA", "ERR"},
        {"AAAAAAAA", "ERR2"},
        {"AAAA!AAA" + body, "VBError: Invalid character in encoded text"},
        {three + body, "abc"},  // the header's length cuts the result
    };
    for (const auto& [text, expected] : damaged) EXPECT_EQ(Unwrap(text), expected) << text;
}

}  // namespace
