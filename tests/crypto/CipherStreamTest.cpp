#include <gtest/gtest.h>

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

// Known answers at the program's real key-derivation cost, past the first 64-byte block, for
// the unnamed run and a named one (the keystream's construction, written apart from the
// engine, is checked by the independent reader in tests/format).
TEST_F(CipherStream, KnownAnswersAtFullCost) {
    const std::pair<std::optional<std::string>, std::string> answers[] = {
        {std::nullopt,
         "29c17fd9439ea3522dbb17bb664390ebec5bc578f8714d0970dddad33cb9cb73922cf9b26152da0c86ddd1"
         "184ef03edf0e6c42f34893dc0e4d8b55d7f141162288f432167773b4dc5bd728daf2c3f8d444c974994617"
         "2f7c1c498b61c842291837cc65756e1387efa3f6f5adb0ccbb942ef02009ed9f14da518045ce894e9879f499"},
        {"vko file x",
         "76c606e879de3a330a5f77e0fd0fc40cb00ed22f0b7cc457c8db7c16ad585c057a6d45e46be926ed9246f6"
         "a1c03eccff3259668bd9de0492a8776ff19f5853ce4d2b5fea27d0ad9ca4a0694dadecb16058952f9bb932"
         "34bc288eb0e9ea1f88d4dd3dad4edeab06dcb4be8c97f0fb810185f057b8f100b04540538de42d5dcb44e646"},
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
