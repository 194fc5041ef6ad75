// Key derivation: once per password change, one cached password key, none left after Clear.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "crypto/KeyHold.h"
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

// While a KeyHold lives, Clear re-keys the stream but keeps the password key, so a job derives
// it once; another password still replaces it, and the last hold to go wipes it.
TEST_F(CipherKeys, AHoldKeepsTheKeyAcrossClearUntilItGoes) {
    struct Case {
        const char* name;
        int holds;
        std::vector<std::string> keyings;
        long derivations;
    };
    const Case cases[] = {
        {"no hold: Clear wipes it", 0, {"alpha", " ", "alpha", " "}, 2},
        {"held: Clear keeps it", 1, {"alpha", " ", "alpha", " ", "alpha", " "}, 1},
        {"two holds", 2, {"alpha", " ", "alpha", " "}, 1},
        {"held: another password replaces it", 1, {"alpha", " ", "beta", " ", "alpha", " "}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<vko::crypto::KeyHold>> holds;
        for (int i = 0; i < c.holds; ++i) holds.push_back(std::make_unique<vko::crypto::KeyHold>());
        EXPECT_EQ(Derivations(c.keyings), c.derivations);
        EXPECT_EQ(HoldsPasswordKey(), c.holds > 0);
        if (!holds.empty()) holds.pop_back();
        EXPECT_EQ(HoldsPasswordKey(), c.holds > 1);
        holds.clear();
        EXPECT_FALSE(HoldsPasswordKey());
    }
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
