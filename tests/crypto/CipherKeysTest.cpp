// Key derivation: once per password change, one cached password key, none left after Clear.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

    long Derivations(const std::vector<std::string>& passwords) {
        const long before = KeyDerivations();
        for (const auto& password : passwords) password == " " ? Clear() : Key(password);
        return KeyDerivations() - before;
    }
};

TEST_F(CipherKeys, DerivesOncePerPasswordChangeAndKeepsOneKey) {
    EXPECT_EQ(Derivations({"alpha", "alpha", "alpha"}), 1);
    EXPECT_EQ(Derivations({"beta"}), 1);
    EXPECT_EQ(Derivations({"alpha"}), 1);  // keying with beta wiped alpha's key
    EXPECT_TRUE(HoldsPasswordKey());
    EXPECT_EQ(Derivations({" ", " "}), 0);  // the clearing key lasts the whole process
    EXPECT_FALSE(HoldsPasswordKey());
    EXPECT_EQ(Derivations({"alpha"}), 1);  // but the password key is gone
}

TEST_F(CipherKeys, PasswordsThatShareAPrefixAreDifferentKeys) {
    const std::string plain(200, 'x');
    const auto encipher = [&](const std::string& password) {
        std::string out(plain.size(), ' ');
        Key(password);
        CipherBuffer(plain.data(), 200, out.data());
        return out;
    };
    const std::string alpha = encipher("alpha");
    EXPECT_NE(encipher(std::string("alpha\0", 6)), alpha);
    EXPECT_NE(encipher(""), alpha);
}

}  // namespace
