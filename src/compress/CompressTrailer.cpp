// SPDX-License-Identifier: GPL-3.0-or-later
#include "compress/CompressTrailer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "compress/modCompress.h"
#include "util/Failure.h"

namespace vko::modCompress {

namespace {
constexpr size_t kZeroPrefix = 5;
constexpr size_t kMaxDigits = 10;
}  // namespace

int64_t CompressCapacity(int64_t n) {
    // Rounded in the current mode, which is to nearest with halves to even.
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(n) * 0.001 + 15 + n));
}

std::string MakeTrailer(int64_t plainSize) {
    if (plainSize < 0 || plainSize > std::numeric_limits<int32_t>::max())
        throw Failure(FailureNumber::kOverflow, "Overflow: a compressed file holds at most 2 GiB");
    std::string trailer(kZeroPrefix, '\0');
    trailer += std::to_string(plainSize);
    trailer.resize(kTrailerSize, '\0');
    return trailer;
}

std::optional<int32_t> ReadTrailer(const uint8_t* trailer, const std::string& what) {
    for (size_t i = 0; i < kZeroPrefix; ++i)
        if (trailer[i] != 0) return std::nullopt;
    const uint8_t* digits = trailer + kZeroPrefix;
    const uint8_t* end = std::find(digits, trailer + kTrailerSize, 0);
    const auto count = static_cast<size_t>(end - digits);
    const bool decimal = std::all_of(digits, end, [](uint8_t c) { return c >= '0' && c <= '9'; });
    if (count == 0 || count > kMaxDigits || !decimal)
        throw Failure(FailureNumber::kInvalidArgument, "Malformed length in the trailer: " + what);
    int64_t value = 0;
    for (const uint8_t* c = digits; c != end; ++c) value = value * 10 + (*c - '0');
    if (value > std::numeric_limits<int32_t>::max())
        throw Failure(FailureNumber::kOverflow,
                      "Overflow: the length in the trailer exceeds 2 GiB: " + what);
    return static_cast<int32_t>(value);
}

}  // namespace vko::modCompress
