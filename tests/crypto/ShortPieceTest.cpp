// SPDX-License-Identifier: GPL-3.0-or-later
// The short-piece cipher is a permutation of every length from 1 to 15 bytes that deciphering
// undoes, and keeps the values pinned from a separate implementation of the construction.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "crypto/BoxKeys.h"
#include "crypto/BoxPieces.h"
#include "crypto/ShortPiece.h"
#include "crypto/VectorFile.h"

namespace vko::crypto {

namespace {

using test::Bytes;

struct Fixture {
    BoxKeys keys{[] {
        CipherKey k;
        for (int i = 0; i < 32; ++i) k.bytes[i] = static_cast<uint8_t>(i);
        return k;
    }()};
    PieceTweak tweak = TweakOf("vko N", 0);
    const uint8_t* key = keys.Subkeys().shortPiece;
};

TEST(ShortPieceTest, EveryLengthIsAPermutationThatDecipheringUndoes) {
    Fixture f;
    std::mt19937 gen(15);
    for (size_t n = 1; n <= kShortPieceMaxBytes; ++n) {
        // One byte: all 256 values; longer pieces: distinct random samples.
        std::set<Bytes> inputs, outputs;
        while (inputs.size() < (n == 1 ? 256 : 300)) {
            Bytes piece(n);
            for (auto& b : piece) b = static_cast<uint8_t>(n == 1 ? inputs.size() : gen());
            inputs.insert(piece);
        }
        for (const Bytes& input : inputs) {
            Bytes piece = input;
            EncipherShortPiece(f.key, f.tweak, piece);
            outputs.insert(piece);
            DecipherShortPiece(f.key, f.tweak, piece);
            ASSERT_EQ(piece, input) << n << " bytes";
        }
        EXPECT_EQ(outputs.size(), inputs.size()) << n << " bytes: two inputs met";
    }
}

TEST(ShortPieceTest, KeepsPinnedValues) {
    struct Case {
        const char* plain;
        const char* cipher;
    };
    const Case cases[] = {
        {"0b", "ba"},
        {"0b30", "061a"},
        {"0b30557a9fc4e9", "09a0ef8d64f6bc"},
        {"0b30557a9fc4e90e", "5683be18ac26317a"},
        {"0b30557a9fc4e90e33587da2c7ec11", "5adf9198ad1b089d5d5de219e24ad5"},
    };
    Fixture f;
    for (const Case& c : cases) {
        Bytes piece = test::FromHex(c.plain);
        EncipherShortPiece(f.key, f.tweak, piece);
        EXPECT_EQ(test::ToHex(piece.data(), piece.size()), c.cipher) << c.plain;
    }
}

}  // namespace

}  // namespace vko::crypto
