// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The integer fields of a box: 4-byte long fields (0 to 2,147,483,647) and 2-byte word fields
// (0 to 65,535). The selector is the box's version byte: 0 (legacy) stores the most
// significant byte first, any other value the least significant byte first.
namespace vko::ConvLong {

// Throws Failure 6 (overflow) for a negative value.
[[nodiscard]] std::string LongToChars(int32_t value, int32_t selector = 1);
// Returns 0 for fewer than 4 characters or a value above 2,147,483,647.
[[nodiscard]] int32_t CharsToLong(std::string_view chars, int32_t selector = 1);
// Throws Failure 6 (overflow) outside 0 to 65,535.
[[nodiscard]] std::string WordToChars(int32_t value, int32_t selector = 1);
// Throws Failure 5 (invalid argument) for fewer than 2 characters.
[[nodiscard]] int32_t CharsToWord(std::string_view chars, int32_t selector = 1);

}  // namespace vko::ConvLong
