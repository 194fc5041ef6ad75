#include <gtest/gtest.h>

#include <string>

#include "crypto/cipherlib.h"
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"

namespace {

using cipherlib_testing::HoldsPasswordKey;
using cipherlib_testing::KeyDerivations;

void Key(const std::string& password) {
    InitCipher(password.data(), static_cast<int32_t>(password.size()), 0);
}

void Clear() {
    InitCipher(" ", 1, 0);
}

class CipherKeys : public ::testing::Test {
protected:
    void SetUp() override {
        vko::test::UseFastKeys();
        Clear();  // the clearing key is derived here, once
    }
    void TearDown() override { Clear(); }
};

TEST_F(CipherKeys, DerivesOncePerPasswordChange) {
    const long before = KeyDerivations();
    Key("alpha");
    Key("alpha");
    Key("alpha");
    EXPECT_EQ(KeyDerivations() - before, 1);
    Key("beta");
    EXPECT_EQ(KeyDerivations() - before, 2);
}

TEST_F(CipherKeys, AnotherPasswordWipesTheCachedKey) {
    Key("alpha");
    Key("beta");
    const long before = KeyDerivations();
    Key("alpha");  // derived again: only one password key is ever kept
    EXPECT_EQ(KeyDerivations() - before, 1);
}

TEST_F(CipherKeys, ClearLeavesNoPasswordKey) {
    Key("alpha");
    EXPECT_TRUE(HoldsPasswordKey());
    Clear();
    EXPECT_FALSE(HoldsPasswordKey());

    const long before = KeyDerivations();
    Clear();  // the clearing key is kept for the whole process
    EXPECT_EQ(KeyDerivations(), before);
    Key("alpha");  // but the password key is gone
    EXPECT_EQ(KeyDerivations() - before, 1);
}

TEST_F(CipherKeys, PasswordsThatShareAPrefixAreDifferentKeys) {
    const std::string plain(200, 'x');
    std::string a(plain.size(), ' ');
    std::string b(plain.size(), ' ');
    Key("alpha");
    CipherBuffer(plain.data(), 200, a.data());
    Key(std::string("alpha\0", 6));
    CipherBuffer(plain.data(), 200, b.data());
    EXPECT_NE(a, b);
    Key("");
    CipherBuffer(plain.data(), 200, b.data());
    EXPECT_NE(a, b);
}

}  // namespace
