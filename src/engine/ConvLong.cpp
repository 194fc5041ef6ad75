// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConvLong.h"

#include <limits>

#include "util/Failure.h"

namespace vko::ConvLong {

namespace {

constexpr int32_t kMaxWord = 65'535;

// The bytes of value, least significant first, written in the selector's order.
template <size_t N>
std::string ToChars(uint32_t value, int32_t selector) {
    std::string chars(N, '\0');
    for (size_t i = 0; i < N; ++i) {
        const size_t at = selector == 0 ? N - 1 - i : i;
        chars[at] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
    return chars;
}

template <size_t N>
uint32_t FromChars(std::string_view chars, int32_t selector) {
    uint32_t value = 0;
    for (size_t i = 0; i < N; ++i) {
        const size_t at = selector == 0 ? N - 1 - i : i;
        value |= uint32_t{static_cast<uint8_t>(chars[at])} << (8 * i);
    }
    return value;
}

}  // namespace

std::string LongToChars(int32_t value, int32_t selector) {
    if (value < 0) throw Failure(FailureNumber::kOverflow, "Overflow", "ConvLong.LongToChars");
    return ToChars<4>(static_cast<uint32_t>(value), selector);
}

int32_t CharsToLong(std::string_view chars, int32_t selector) {
    if (chars.size() < 4) return 0;
    const uint32_t value = FromChars<4>(chars, selector);
    return value > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
               ? 0
               : static_cast<int32_t>(value);
}

std::string WordToChars(int32_t value, int32_t selector) {
    if (value < 0 || value > kMaxWord)
        throw Failure(FailureNumber::kOverflow, "Overflow", "ConvLong.WordToChars");
    return ToChars<2>(static_cast<uint32_t>(value), selector);
}

int32_t CharsToWord(std::string_view chars, int32_t selector) {
    if (chars.size() < 2)
        throw Failure(FailureNumber::kInvalidArgument,
                      "Invalid procedure call or argument: a word field needs 2 bytes",
                      "ConvLong.CharsToWord");
    return static_cast<int32_t>(FromChars<2>(chars, selector));
}

}  // namespace vko::ConvLong
