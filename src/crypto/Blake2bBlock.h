// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace vko::crypto {

// Unkeyed BLAKE2b-512 of exactly one 128-byte block, the hash behind every keystream block.
// Equal to crypto_generichash(out, 64, in, 128, nullptr, 0), but with the parameter block
// folded into constants and one compression per call: libsodium's incremental interface
// (init, update, final over a buffered block) costs about as much again as the compression.
inline constexpr size_t kBlake2bBlockBytes = 128;
inline constexpr size_t kBlake2bOutBytes = 64;

void Blake2b512(const uint8_t* in, uint8_t* out) noexcept;

}  // namespace vko::crypto
