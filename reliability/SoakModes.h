// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace vko::soak {

// Random wrong passwords against boxes of five shapes (one file, many files, compressed, an
// empty folder, a legacy box): each must be refused with nothing written. Returns the misses.
int WrongPasswords(uint32_t seed, int triesPerShape);

// Every bit of a small box's header and one bit of every byte of its data area, plain and
// compressed: refused, read as damaged, or read with only the file the flip hit garbled, never
// a write outside the target. Returns the flips that broke a rule.
int BitFlips();

}  // namespace vko::soak
