// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Box format 1: how a box's bytes are enciphered and sealed.
//
// Format notes, for the engine:
// - Keys. One BoxKeys per job or command, from the password (BoxKeys(password) takes K from the
//   library's key cache, so K is derived once per password while a KeyHold keeps it). It is only
//   read after it is built: every thread of the job shares it. Each thread makes one BoxCipher
//   from it (AES contexts, POLYVAL key, scratch space) and keeps it for the whole job.
// - Units and labels. Feed the plain header to a HeaderHasher in layout order (N, name, D, folder
//   table, F, file table) and take G1 after the name, G2 after D, HA after the folder table and HB
//   after the file table; unit_label::N() ... File() build each unit's label from them. A file
//   record's label needs HA, its folder number and name, never a size.
// - Pieces. PieceCount(n) and PieceAt(n, i) cut a unit of n bytes. EncipherPiece(label, i, piece)
//   and DecipherPiece work in place on one piece, in any order, on any thread (each with its own
//   BoxCipher); PieceIndexAt finds the piece of a byte to read a plain file from the middle.
//   EncipherUnit / DecipherUnit do a whole unit held in memory (the header's units). A writer that
//   streams a unit keeps back each 65,536-byte piece until 16 more bytes or the unit's end are
//   known: a last piece under 16 bytes joins the piece before it.
// - Seal. One SealHash per record, built from the BoxKeys; absorb the record's bytes as stored
//   (enciphered) as they go out, in order, in pieces of any size (from any thread, one call at a
//   time). Another SealHash takes the box's bytes from offset 0 to the end of the file table as
//   stored. Once HB is known: T_k = Tag(record k's hash, HB, k), T_h = Tag(header hash, HB,
//   kHeaderTagIndex), T_s = Tag(hash of T_0 ... T_(R-1) || T_h, HB, kSealTagIndex). A reader
//   absorbs the same bytes and calls Verify, which compares in constant time.
//
// Decisions where the design's text leaves room:
// - Subkeys: crypto_generichash of the ASCII label without a terminating zero, keyed with the 32
//   bytes of K, output length 32 (16 for h_s). h_s is POLYVAL's H as RFC 8452 reads 16 bytes.
// - HCTR2: the tweak is the 32 bytes of the piece's tweak digest; HCTR2's length block counts the
//   tweak in bits (2 x 256 + 2, + 1 when the piece's bytes after the first 16 are not whole
//   blocks), as the published vectors have it.
// - Short pieces: F's BLAKE2b has output length 32 and K_f as its 32-byte key; byte r is the round
//   number 0 ... 23; for an odd length the top four bits of x's first byte are zero, and F keeps
//   the low w bits of its first ceil(w/8) bytes.
// - Cutting: a unit of 16 to 65,535 bytes is one HCTR2 piece; of 65,536 + r bytes, 0 < r < 16,
//   one piece of that length; of 65,536 + 16 two pieces (65,536 and 16 bytes).
// - MAC: an empty m adds no block; HB is two blocks; the lengths block is LE64(j) followed by
//   LE64(8 x the byte length of m); the tag is the AES-256 encryption of POLYVAL's 16-byte result.
//
// The AES key schedules live in OpenSSL's contexts (wiped by OpenSSL when freed), not in guarded
// memory; every other key and intermediate value is in guarded memory or wiped after use.

#include <cstdint>
#include <span>
#include <string_view>

#include "crypto/Aes256Ecb.h"
#include "crypto/BoxKeys.h"
#include "crypto/BoxPieces.h"
#include "crypto/Hctr2.h"
#include "crypto/SealHash.h"
#include "crypto/UnitLabels.h"

namespace vko::crypto {

// The box cipher of one thread: pieces enciphered and deciphered in place, seal tags finished
// and verified. Reads keys, which must outlive it.
class BoxCipher {
public:
    // Throws Failure 7 when the AES contexts cannot be set up.
    explicit BoxCipher(const BoxKeys& keys);

    // Piece index of the unit labelled label, as PieceAt cut it: HCTR2 for 16 bytes or more,
    // the short-piece cipher below; an empty piece stays as it is.
    void EncipherPiece(std::string_view label, uint64_t index, std::span<uint8_t> piece);
    void DecipherPiece(std::string_view label, uint64_t index, std::span<uint8_t> piece);

    // Every piece of a unit held whole in memory.
    void EncipherUnit(std::string_view label, std::span<uint8_t> unit);
    void DecipherUnit(std::string_view label, std::span<uint8_t> unit);

    // MAC(m, j) for the m that hash absorbed.
    [[nodiscard]] SealTag Tag(const SealHash& hash, const Digest256& hb, uint64_t j);
    // Whether stored is MAC(m, j), compared in constant time.
    [[nodiscard]] bool Verify(const SealHash& hash, const Digest256& hb, uint64_t j,
                              std::span<const uint8_t, 16> stored);

private:
    template <class PieceFunction>
    void EachPiece(std::string_view label, std::span<uint8_t> unit, PieceFunction piece);

    const BoxKeys& keys_;
    Hctr2 hctr2_;
    Aes256Ecb seal_;
};

}  // namespace vko::crypto
