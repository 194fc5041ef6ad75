// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/Polyval.h"

// The kernels behind PolyvalBlocks, the fast ones each compiled for its instruction set in a file
// of its own and called only where the processor has that set.
namespace vko::crypto {

using PolyvalPowers = uint8_t[kPolyvalPowers][kPolyvalBlockBytes];

void PolyvalBlocksPortable(const PolyvalPowers& powers, uint8_t* acc, const uint8_t* blocks,
                           size_t count) noexcept;
void PolyvalBlocksClmul(const PolyvalKey& key, uint8_t* acc, const uint8_t* blocks,
                        size_t count) noexcept;
void PolyvalBlocksAvx2(const PolyvalKey& key, uint8_t* acc, const uint8_t* blocks,
                       size_t count) noexcept;
void PolyvalBlocksAvx512(const PolyvalPowers& powers, uint8_t* acc, const uint8_t* blocks,
                         size_t count) noexcept;

// out = dot(a, b) without special instructions (used to make keys).
void PolyvalDotPortable(const uint8_t* a, const uint8_t* b, uint8_t* out) noexcept;

}  // namespace vko::crypto
