// SPDX-License-Identifier: GPL-3.0-or-later
// The box cipher's pieces, keys, tweaks and seal tags. Known answers were computed once by a
// separate implementation of the construction; the independent format reader checks whole boxes.
#include <gtest/gtest.h>

#include <sodium.h>

#include <cstring>
#include <random>

#include "crypto/BoxCipher.h"
#include "crypto/CipherLibrary.h"
#include "crypto/KeyDerivation.h"
#include "crypto/VectorFile.h"
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"

namespace vko::crypto {

namespace {

using test::Bytes;
using test::ToHex;

CipherKey CountingKey() {
    CipherKey k;
    for (int i = 0; i < 32; ++i) k.bytes[i] = static_cast<uint8_t>(i);
    return k;
}

Bytes Pattern(size_t length, unsigned factor, unsigned offset) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i * factor + offset);
    return bytes;
}

std::string Blake2b256(const Bytes& bytes) {
    uint8_t digest[32];
    crypto_generichash(digest, sizeof digest, bytes.data(), bytes.size(), nullptr, 0);
    return ToHex(digest, 32);
}

TEST(BoxCipherTest, UnitsAreCutAtPieceBoundariesWithShortTailsJoined) {
    struct Case {
        uint64_t unit, pieces, lastLength;
    };
    const Case cases[] = {
        {0, 0, 0},          {1, 1, 1},           {15, 1, 15},          {16, 1, 16},
        {65'536, 1, 65'536}, {65'537, 1, 65'537}, {65'551, 1, 65'551}, {65'552, 2, 16},
        {131'072, 2, 65'536}, {131'085, 2, 65'549}, {3ull << 31, 98'304, 65'536},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(PieceCount(c.unit), c.pieces) << c.unit;
        if (c.pieces == 0) continue;
        const PieceSpan last = PieceAt(c.unit, c.pieces - 1);
        EXPECT_EQ(last.length, c.lastLength) << c.unit;
        EXPECT_EQ(last.offset + last.length, c.unit) << c.unit;
        EXPECT_EQ(PieceIndexAt(c.unit, c.unit - 1), c.pieces - 1) << c.unit;
        EXPECT_EQ(PieceIndexAt(c.unit, last.offset), c.pieces - 1) << c.unit;
    }
}

TEST(BoxCipherTest, SubkeysAndTweaksKeepPinnedValues) {
    const BoxKeys keys(CountingKey());
    const BoxSubkeys& k = keys.Subkeys();
    EXPECT_EQ(ToHex(k.piece, 32), "4b10ba0964f6f562c94119a1156bd7141b1522b6de937e7dd55dd4c456619f1f");
    EXPECT_EQ(ToHex(k.shortPiece, 32),
              "843dc69c4a20fa55ccea16ee8fd3e68b6bc7df33e93fa9888301c87a5b860871");
    EXPECT_EQ(ToHex(k.seal, 32), "eebb401bc32902fec4a8c8a5b1a40c964f069b61ac1d4a3780f64b056caa8960");
    EXPECT_EQ(ToHex(k.sealHash, 16), "8e3bdfe568e2559db4a7a2376b8c416a");
    EXPECT_EQ(ToHex(TweakOf("vko N", 0).data(), 32),
              "0c842c0e71a957101e055051ecc941eb91207d57422e2fde54284ac73edb8fb3");
    EXPECT_EQ(ToHex(TweakOf("test label", 70'000).data(), 32),
              "ff26d3a3dbd8d0db74ea1988bee3beeaa80347452345faff01b782117423f3fc");
}

// Whole units keep their pinned ciphertext, and each piece deciphers alone, in any order.
TEST(BoxCipherTest, UnitsKeepPinnedValuesAndPiecesDecipherAlone) {
    struct Case {
        size_t length;
        const char* digest;  // BLAKE2b-256 of the enciphered unit
    };
    const Case cases[] = {
        {10, "93df56809cb4040f77688759c0a587ac5fb1e5e3e314b8f29acfe2c8ef42ccda"},
        {40, "7252e0c698e8f74c8cb7fee58abb54dfec1e47272f9f5c39551a450437af5f12"},
        {131'085, "eb92515d661e7170d01df7bc181e57b545d83f7644abd83d2ccdd93eb8f38d5b"},
    };
    const BoxKeys keys(CountingKey());
    BoxCipher cipher(keys);
    for (const Case& c : cases) {
        const Bytes plain = Pattern(c.length, 7, 3);
        Bytes unit = plain;
        cipher.EncipherUnit("test label", unit);
        EXPECT_EQ(Blake2b256(unit), c.digest) << c.length;
        for (uint64_t i = PieceCount(unit.size()); i-- > 0;) {
            const PieceSpan s = PieceAt(unit.size(), i);
            cipher.DecipherPiece("test label", i, std::span(unit).subspan(s.offset, s.length));
        }
        EXPECT_EQ(unit, plain) << c.length;
    }
}

TEST(BoxCipherTest, SealTagsKeepPinnedValuesHoweverTheBytesArrive) {
    const BoxKeys keys(CountingKey());
    BoxCipher cipher(keys);
    Digest256 hb;
    crypto_generichash(hb.data(), hb.size(), reinterpret_cast<const uint8_t*>("header"), 6,
                       nullptr, 0);
    const Bytes m = Pattern(37, 13, 1);
    std::mt19937 gen(7);
    for (int trial = 0; trial < 20; ++trial) {
        SealHash hash(keys);
        for (size_t done = 0, step; done < m.size(); done += step) {
            step = std::min<size_t>(m.size() - done, gen() % 20);
            hash.Absorb(std::span(m).subspan(done, step));
        }
        EXPECT_EQ(ToHex(cipher.Tag(hash, hb, 5).data(), 16), "687aff6f42dd5f252c7777683e000240");
    }
    const SealHash empty(keys);
    EXPECT_EQ(ToHex(cipher.Tag(empty, hb, kSealTagIndex).data(), 16),
              "91357ec01ef7b2a75aaff19c23137b81");

    // Verify takes the right tag only: not for another j, another HB, or a changed bit.
    SealHash hash(keys);
    hash.Absorb(m);
    SealTag tag = cipher.Tag(hash, hb, 5);
    EXPECT_TRUE(cipher.Verify(hash, hb, 5, tag));
    EXPECT_FALSE(cipher.Verify(hash, hb, 6, tag));
    Digest256 otherHb = hb;
    otherHb[31] ^= 1;
    EXPECT_FALSE(cipher.Verify(hash, otherHb, 5, tag));
    tag[15] ^= 0x80;
    EXPECT_FALSE(cipher.Verify(hash, hb, 5, tag));
}

// A message hashed in parts on their own (as threads do) and appended in order gives the tag of
// the whole: the parts' whole blocks shift the hash before them by H^n.
TEST(BoxCipherTest, AppendedPartsGiveTheTagOfTheWhole) {
    const BoxKeys keys(CountingKey());
    BoxCipher cipher(keys);
    const Digest256 hb{};
    const Bytes m = Pattern(16 * 300 + 7, 5, 3);
    SealHash whole(keys);
    whole.Absorb(m);
    const std::vector<std::vector<size_t>> cuts = {{0}, {16}, {16 * 33, 16 * 34}, {16, 16 * 200}, {16 * 300}};
    for (const auto& at : cuts) {
        SealHash joined(keys);
        size_t from = 0;
        for (size_t i = 0; i <= at.size(); ++i) {
            const size_t to = i < at.size() ? at[i] : m.size();
            SealHash part(keys);
            part.Absorb(std::span(m).subspan(from, to - from));
            joined.Append(part);
            from = to;
        }
        EXPECT_EQ(joined.Length(), m.size());
        EXPECT_EQ(cipher.Tag(joined, hb, 9), cipher.Tag(whole, hb, 9)) << at.size();
    }
}

// The subkeys come from the key the library's cache holds, derived ahead on a thread of its
// own: no second derivation, no other key.
TEST(BoxCipherTest, BoxKeysOfAPasswordComeFromTheCachedKey) {
    test::UseFastKeys();
    CipherLibrary& library = CipherLibrary::Instance();
    KeyDerivation derivation("pw");
    ASSERT_TRUE(derivation.Wait(nullptr));
    const long before = cipherlib_testing::KeyDerivations();
    const BoxKeys keys("pw");
    EXPECT_EQ(cipherlib_testing::KeyDerivations(), before);
    SecureBox<CipherKey> k;
    ASSERT_TRUE(DeriveKey("pw", library.Cost(), *k));
    const BoxKeys fromK(*k);
    EXPECT_EQ(std::memcmp(&keys.Subkeys(), &fromK.Subkeys(), sizeof(BoxSubkeys)), 0);
    library.Clear();
}

}  // namespace

}  // namespace vko::crypto
