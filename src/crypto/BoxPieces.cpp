// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/BoxPieces.h"

#include <sodium.h>

#include <algorithm>

namespace vko::crypto {

uint64_t PieceCount(uint64_t unitBytes) noexcept {
    const uint64_t whole = unitBytes / kPieceBytes, rest = unitBytes % kPieceBytes;
    if (whole == 0) return unitBytes == 0 ? 0 : 1;
    return rest >= kWidePieceMinBytes ? whole + 1 : whole;
}

PieceSpan PieceAt(uint64_t unitBytes, uint64_t index) noexcept {
    const uint64_t offset = index * kPieceBytes;
    const bool last = index + 1 == PieceCount(unitBytes);
    return {offset, last ? unitBytes - offset : kPieceBytes};
}

uint64_t PieceIndexAt(uint64_t unitBytes, uint64_t offset) noexcept {
    return std::min(offset / kPieceBytes, PieceCount(unitBytes) - 1);
}

PieceTweak TweakOf(std::string_view label, uint64_t index) noexcept {
    uint8_t le[8];
    for (int i = 0; i < 8; ++i) le[i] = static_cast<uint8_t>(index >> (8 * i));
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(label.data()),
                              label.size());
    crypto_generichash_update(&state, le, sizeof le);
    PieceTweak tweak;
    crypto_generichash_final(&state, tweak.data(), tweak.size());
    return tweak;
}

}  // namespace vko::crypto
