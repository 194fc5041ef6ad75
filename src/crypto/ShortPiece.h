// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vko::crypto {

inline constexpr size_t kShortPieceMaxBytes = 15;
inline constexpr size_t kShortPieceKeyBytes = 32;
inline constexpr size_t kShortPieceTweakBytes = 32;

// The cipher of pieces too short for HCTR2 (1 to 15 bytes): a 24-round balanced Feistel network
// on the piece's 8n bits, read as a big-endian integer and split into halves L, R of w = 4n bits.
// Round r (0 ... 23): (L, R) <- (R, L xor F(r, R)), where F(r, x) is the first ceil(w/8) bytes of
// BLAKE2b-256(tweak || byte r || x as ceil(w/8) big-endian bytes) keyed with key, read big-endian,
// mod 2^w. Deciphering runs the rounds backwards. A permutation of the 2^8n values of each length
// for each key and tweak; nothing is stored beside it.
//
// key: kShortPieceKeyBytes bytes. Throws Failure 5 for an empty piece or one over 15 bytes.
void EncipherShortPiece(const uint8_t* key, std::span<const uint8_t, kShortPieceTweakBytes> tweak,
                        std::span<uint8_t> piece);
void DecipherShortPiece(const uint8_t* key, std::span<const uint8_t, kShortPieceTweakBytes> tweak,
                        std::span<uint8_t> piece);

}  // namespace vko::crypto
