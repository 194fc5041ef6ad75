#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "crypto/cipherlib.h"
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"

namespace {

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

size_t EqualBytes(const std::string& a, const std::string& b, size_t from, size_t count) {
    size_t equal = 0;
    for (size_t i = from; i < from + count; ++i) equal += a[i] == b[i];
    return equal;
}

class CipherStream : public ::testing::Test {
protected:
    void SetUp() override { vko::test::UseFastKeys(); }
    void TearDown() override { InitCipher(" ", 1, 0); }
};

// Keying restarts the stream, even from the middle of a block.
TEST_F(CipherStream, IsItsOwnInverseAndKeyingRestartsIt) {
    const std::string plain = RandomBytes(300'001, 1);
    const std::string enciphered = Encipher("pw", plain);
    EXPECT_LT(EqualBytes(plain, enciphered, 0, plain.size()), plain.size() / 100);
    EXPECT_EQ(Encipher("pw", enciphered), plain);
    std::string partial(100, ' ');
    CipherBuffer(plain.data(), 100, partial.data());
    EXPECT_EQ(Encipher("pw", plain), enciphered);
    EXPECT_NE(Encipher("other", plain), enciphered);
}

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

// The keystream of each block depends on the run before it, so a single changed bit changes
// the encipherment of every later block; only what precedes the change is shared.
TEST_F(CipherStream, AnEarlierDifferenceChangesEveryLaterBlock) {
    const std::string base = RandomBytes(64 * 8, 6);
    for (const size_t changed : {size_t{0}, size_t{10}, size_t{63}, size_t{64}, size_t{130}})
        for (const int bit : {0, 3, 7}) {
            SCOPED_TRACE(std::to_string(changed) + " bit " + std::to_string(bit));
            std::string other = base;
            other[changed] = static_cast<char>(other[changed] ^ (1 << bit));
            const std::string a = Encipher("pw", base);
            const std::string b = Encipher("pw", other);
            EXPECT_EQ(a.substr(0, changed), b.substr(0, changed));
            const size_t nextBlock = (changed / 64 + 1) * 64;
            for (size_t block = nextBlock; block < base.size(); block += 64)
                EXPECT_LT(EqualBytes(a, b, block, 64), 8u) << "block at " << block;
        }
}

// Named runs restart like keying and invert themselves, and their starts share no keystream
// with the unnamed run or with each other, the empty name and names that share a prefix
// included.
TEST_F(CipherStream, NamedRunsRestartAndShareNoKeystream) {
    const std::string plain = RandomBytes(1'000, 9);
    const std::optional<std::string> runs[] = {std::nullopt, "", "vko run A", "vko run B",
                                               std::string("vko run A\0", 10)};
    std::vector<std::string> starts;
    for (const auto& run : runs) {
        SCOPED_TRACE(run ? "\"" + *run + "\"" : "unnamed");
        const std::string enciphered = Encipher("pw", plain, run);
        EXPECT_EQ(Encipher("pw", enciphered, run), plain);
        for (const std::string& other : starts) EXPECT_LT(EqualBytes(other, enciphered, 0, 64), 8u);
        starts.push_back(enciphered);
    }
}

// A plain byte-by-byte rendering of the construction, at the program's real key-derivation
// cost: K = Argon2id(password, fixed salt, t 3, m 64 MiB); h = 0 for an unnamed run and
// BLAKE2b-256(name, key K) for a named one; ks = BLAKE2b-512(K || h || acc).
TEST_F(CipherStream, MatchesTheConstructionAtFullCost) {
    const std::string password = "Tr0ub4dor&3";
    const std::string plain = RandomBytes(1'000, 8);

    const unsigned char salt[16] = {'V', 'a', 'u', 'l', 't', 'k', 'e', 'e',
                                    'p', ' ', 'O', 'r', 'b', ' ', 'K', '1'};
    unsigned char key[32];
    ASSERT_EQ(crypto_pwhash(key, 32, password.data(), password.size(), salt, 3, 64u << 20,
                            crypto_pwhash_ALG_ARGON2ID13),
              0);
    cipherlib_testing::UseFastKeyDerivation(false);
    for (const std::optional<std::string>& run :
         {std::optional<std::string>(), std::optional<std::string>("vko file x")}) {
        SCOPED_TRACE(run.value_or("unnamed"));
        unsigned char in[128] = {};
        std::copy(key, key + 32, in);
        if (run)
            crypto_generichash(in + 32, 32, reinterpret_cast<const unsigned char*>(run->data()),
                               run->size(), key, 32);
        unsigned char ks[64];
        crypto_generichash(ks, 64, in, 128, nullptr, 0);
        std::string expected;
        size_t pos = 0;
        for (const char ch : plain) {
            const auto p = static_cast<uint8_t>(ch);
            const auto c = static_cast<uint8_t>(p ^ ks[pos]);
            expected += static_cast<char>(c);
            in[64 + pos] = std::min(p, c);
            if (++pos == 64) {
                std::copy(ks, ks + 32, in + 32);
                crypto_generichash(ks, 64, in, 128, nullptr, 0);
                pos = 0;
            }
        }
        EXPECT_EQ(Encipher(password, plain, run), expected);
    }
    cipherlib_testing::UseFastKeyDerivation(true);
}

}  // namespace
