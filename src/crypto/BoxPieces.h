// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vko::crypto {

// How a unit of a box (N, name, D, folder table, F, file table, a record's stored bytes) is cut
// into pieces that are enciphered each on its own: 65,536 bytes at a time from its start; a last
// piece shorter than 16 bytes joins the one before (which then holds 65,536 + r bytes); a unit
// shorter than 16 bytes is one short piece; an empty unit has none.
inline constexpr uint64_t kPieceBytes = 65'536;
// Pieces shorter than this go through the short-piece cipher instead of HCTR2.
inline constexpr uint64_t kWidePieceMinBytes = 16;

struct PieceSpan {
    uint64_t offset;
    uint64_t length;
};

[[nodiscard]] uint64_t PieceCount(uint64_t unitBytes) noexcept;
// Piece index of a unit of unitBytes bytes; index < PieceCount(unitBytes).
[[nodiscard]] PieceSpan PieceAt(uint64_t unitBytes, uint64_t index) noexcept;
// The index of the piece that holds byte offset (< unitBytes), to read from the middle of a unit.
[[nodiscard]] uint64_t PieceIndexAt(uint64_t unitBytes, uint64_t offset) noexcept;

using PieceTweak = std::array<uint8_t, 32>;

// The tweak of piece index of the unit labelled label: BLAKE2b-256(label || LE64(index)).
[[nodiscard]] PieceTweak TweakOf(std::string_view label, uint64_t index) noexcept;

}  // namespace vko::crypto
