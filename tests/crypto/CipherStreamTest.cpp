// SPDX-License-Identifier: GPL-3.0-or-later
// The keystream: call sizes, key derivation, holds and wiping, and known answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "crypto/KeyCache.h"
#include "crypto/KeyHold.h"
#include "crypto/cipherlib.h"
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"

namespace {

using cipherlib_testing::HoldsPasswordKey;
using vko::test::RandomBytes;

void Key(const std::string& password) {
    InitCipher(password.data(), static_cast<int32_t>(password.size()), 0);
}

// Keys the stream for password, unnamed or as the run named run.
void Key(const std::string& password, const std::optional<std::string>& run) {
    if (!run) return Key(password);
    InitCipherRun(password.data(), static_cast<int32_t>(password.size()), run->data(),
                  static_cast<int32_t>(run->size()));
}

std::string Encipher(const std::string& password, const std::string& bytes,
                     const std::optional<std::string>& run = std::nullopt) {
    Key(password, run);
    std::string out(bytes.size(), ' ');
    EXPECT_EQ(CipherBuffer(bytes.data(), static_cast<int32_t>(bytes.size()), out.data()),
              static_cast<int32_t>(bytes.size()));
    return out;
}

class CipherStream : public ::testing::Test {
protected:
    void SetUp() override {
        vko::test::UseFastKeys();
        Clear();  // the clearing key is derived here, once
    }
    void TearDown() override { Clear(); }

    static void Clear() { InitCipher(" ", 1, 0); }
    static long Derivations(const std::vector<std::string>& passwords) {
        const long before = cipherlib_testing::KeyDerivations();
        for (const auto& password : passwords) password == " " ? Clear() : Key(password);
        return cipherlib_testing::KeyDerivations() - before;
    }
};

// (That keying restarts the stream, each block depends on the ones before and runs are named by
// their whole name: the known answers below, the pinned boxes and the independent reader, which
// key a named run for every file.)
TEST_F(CipherStream, OutputDoesNotDependOnCallSizes) {
    const std::string plain = RandomBytes(1'500'000, 2);
    const std::string whole = Encipher("pw", plain);

    Key("pw");
    std::string pieces(plain.size(), ' ');
    std::mt19937 gen(3);
    for (size_t done = 0; done < plain.size();) {
        // Half short calls that end mid-block, half long ones up to 200 KiB.
        const size_t want = gen() % 2 ? 1 + gen() % 130 : 1 + gen() % 204'800;
        const size_t size = std::min(want, plain.size() - done);
        CipherBuffer(plain.data() + done, static_cast<int32_t>(size), pieces.data() + done);
        done += size;
    }
    EXPECT_EQ(pieces, whole);

    Key("pw");
    std::string bytes(plain.size(), ' ');
    for (size_t i = 0; i < plain.size(); ++i)
        bytes[i] = static_cast<char>(CipherByte(static_cast<uint8_t>(plain[i])));
    EXPECT_EQ(bytes, whole);
}

// A key is derived once per change of password and only one is kept. While a KeyHold lives,
// Clear re-keys the stream but keeps the password key, so a job derives it once; another
// password still replaces it, and the last hold to go wipes it. The clearing key (" ") is
// derived once for the whole process.
TEST_F(CipherStream, DerivedOncePerPasswordChangeAndKeptWhileHeld) {
    struct Case {
        const char* name;
        int holds;
        std::vector<std::string> keyings;
        long derivations;
    };
    const Case cases[] = {
        {"no hold: once per change", 0, {"alpha", "alpha", "beta", "beta", "alpha", " ", " "}, 3},
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

// Forgetting a password wipes its key's bytes, not only the flag that says one is held: the
// memory the key lived in (still the cache's own) is all zero afterwards.
TEST(KeyCacheTest, ForgettingAPasswordWipesTheKeyBytes) {
    using vko::crypto::KeyCache;
    static constexpr vko::crypto::KeyCost kCheap{crypto_pwhash_OPSLIMIT_MIN,
                                                 crypto_pwhash_MEMLIMIT_MIN};
    const std::pair<const char*, void (*)(KeyCache&)> forgets[] = {
        {"forgotten", [](KeyCache& keys) { keys.ForgetPassword(); }},
        {"cost changed",
         [](KeyCache& keys) {
             keys.SetCost({kCheap.passes + 1, kCheap.memoryBytes});
         }},
    };
    for (const auto& [label, forget] : forgets) {
        SCOPED_TRACE(label);
        KeyCache keys;
        keys.SetCost(kCheap);
        const auto& key = keys.KeyFor("secret").bytes;
        const auto zero = [&] {
            return std::all_of(std::begin(key), std::end(key), [](uint8_t b) { return b == 0; });
        };
        ASSERT_FALSE(zero());
        forget(keys);
        EXPECT_TRUE(zero());
        EXPECT_FALSE(keys.HoldsPasswordKey());
    }
}

TEST_F(CipherStream, PasswordsThatShareAPrefixAreDifferentKeys) {
    const std::string plain(200, 'x');
    const std::string alpha = Encipher("alpha", plain);
    EXPECT_NE(Encipher(std::string("alpha\0", 6), plain), alpha);
    EXPECT_NE(Encipher("", plain), alpha);
}

// Known answers at the program's real key-derivation cost, past the first 64-byte block, for
// the unnamed run and a named one (the keystream's construction, written apart from the
// engine, is checked by the independent reader in tests/format).
TEST_F(CipherStream, KnownAnswersAtFullCost) {
    const std::pair<std::optional<std::string>, std::string> answers[] = {
        {std::nullopt,
         "29c17fd9439ea3522dbb17bb664390ebec5bc578f8714d0970dddad33cb9cb73922cf9b26152da0c86ddd1"
         "184ef03edf0e6c42f34893dc0e4d8b55d7f141162288f432167773b4dc5bd728daf2c3f8d444c974994617"
         "2f7c1c498b61c842291837cc65756e1387efa3f6f5adb0ccbb942ef02009ed9f14da518045ce894e9879f49"
         "9"},
        {"vko file x",
         "76c606e879de3a330a5f77e0fd0fc40cb00ed22f0b7cc457c8db7c16ad585c057a6d45e46be926ed9246f6"
         "a1c03eccff3259668bd9de0492a8776ff19f5853ce4d2b5fea27d0ad9ca4a0694dadecb16058952f9bb932"
         "34bc288eb0e9ea1f88d4dd3dad4edeab06dcb4be8c97f0fb810185f057b8f100b04540538de42d5dcb44e64"
         "6"},
    };
    cipherlib_testing::UseFastKeyDerivation(false);
    for (const auto& [run, hex] : answers) {
        std::string expected;
        for (size_t i = 0; i < hex.size(); i += 2)
            expected += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        EXPECT_EQ(Encipher("Tr0ub4dor&3", std::string(130, 'k'), run), expected)
            << run.value_or("unnamed");
    }
    cipherlib_testing::UseFastKeyDerivation(true);
}

}  // namespace
