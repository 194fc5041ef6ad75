// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/BoxCipher.h"

#include <sodium.h>

#include "crypto/ShortPiece.h"

namespace vko::crypto {

BoxCipher::BoxCipher(const BoxKeys& keys)
    : keys_(keys),
      hctr2_(keys.Subkeys().piece),
      seal_(keys.Subkeys().seal, Aes256Ecb::Direction::kEncrypt) {}

void BoxCipher::EncipherPiece(std::string_view label, uint64_t index, std::span<uint8_t> piece) {
    if (piece.empty()) return;
    const PieceTweak tweak = TweakOf(label, index);
    if (piece.size() < kWidePieceMinBytes)
        EncipherShortPiece(keys_.Subkeys().shortPiece, tweak, piece);
    else
        hctr2_.Encipher(tweak, piece);
}

void BoxCipher::DecipherPiece(std::string_view label, uint64_t index, std::span<uint8_t> piece) {
    if (piece.empty()) return;
    const PieceTweak tweak = TweakOf(label, index);
    if (piece.size() < kWidePieceMinBytes)
        DecipherShortPiece(keys_.Subkeys().shortPiece, tweak, piece);
    else
        hctr2_.Decipher(tweak, piece);
}

template <class PieceFunction>
void BoxCipher::EachPiece(std::string_view label, std::span<uint8_t> unit, PieceFunction piece) {
    const uint64_t count = PieceCount(unit.size());
    for (uint64_t i = 0; i < count; ++i) {
        const PieceSpan span = PieceAt(unit.size(), i);
        (this->*piece)(label, i, unit.subspan(span.offset, span.length));
    }
}

void BoxCipher::EncipherUnit(std::string_view label, std::span<uint8_t> unit) {
    EachPiece(label, unit, &BoxCipher::EncipherPiece);
}

void BoxCipher::DecipherUnit(std::string_view label, std::span<uint8_t> unit) {
    EachPiece(label, unit, &BoxCipher::DecipherPiece);
}

SealTag BoxCipher::Tag(const SealHash& hash, const Digest256& hb, uint64_t j) {
    SealTag tag;
    hash.Finish(hb, j, tag.data());
    seal_.Blocks(tag.data(), tag.data(), 1);
    WipeStack();
    return tag;
}

bool BoxCipher::Verify(const SealHash& hash, const Digest256& hb, uint64_t j,
                       std::span<const uint8_t, 16> stored) {
    const SealTag tag = Tag(hash, hb, j);
    return sodium_memcmp(tag.data(), stored.data(), tag.size()) == 0;
}

}  // namespace vko::crypto
