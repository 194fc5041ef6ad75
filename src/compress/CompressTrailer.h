// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vko::modCompress {

// The plain size recorded in a 17-byte trailer; nullopt when the bytes are no trailer (the
// first five are not all 0x00). Throws Failure when the recorded size is not a decimal number
// of 1 to 10 digits within 0 to 2,147,483,647; what names the data in the message.
[[nodiscard]] std::optional<int32_t> ReadTrailer(const uint8_t* trailer, const std::string& what);

}  // namespace vko::modCompress
