// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Constants of the box file layout.
namespace vko::BoxFormat {

inline constexpr uint8_t kVersionLegacy = 0;  // first byte deciphers to kLegacyMark
inline constexpr uint8_t kVersionPlain = 1;
inline constexpr uint8_t kVersionCompressed = 2;
inline constexpr char kLegacyMark = '$';
inline constexpr char kLegacyRecordSeparator[] = "\xFF\xFF\xFF\xFF";

inline constexpr int32_t kBlockSize = 131072;  // contents move through the cipher in these
inline constexpr int32_t kShredBlockSize = 1048576;
inline constexpr int32_t kMaxBoxName = 255;
inline constexpr int32_t kMaxRecordLength = 255;       // L is one byte
inline constexpr int32_t kPlainRecordFixed = 6;        // folder number + size
inline constexpr int32_t kCompressedRecordFixed = 10;  // + stored size
inline constexpr int32_t kMaxFileNamePlain = kMaxRecordLength - kPlainRecordFixed;            // 249
inline constexpr int32_t kMaxFileNameCompressed = kMaxRecordLength - kCompressedRecordFixed;  // 245
inline constexpr int32_t kMaxFolders = 65535;
inline constexpr int64_t kMaxLong = 2147483647;
inline constexpr char kPlaceholder[] = "!!!!";  // F before the file table is final
inline constexpr int32_t kPlaceholderSize = 4;
inline constexpr char kBoxSeparator = '\\';  // folder separator inside a box
inline constexpr int32_t kZlibLevel = 9;
inline constexpr int64_t kSealTagBytes = 16;  // each tag of a format 1 box's seal

// How the bytes of a box are enciphered. Versions 1 and 2 are written as format 1 (pieces and a
// seal); boxes of 0.2.0 (named stream runs) and legacy ones (version 0) are only read.
enum class Format : uint8_t { kLegacy, kStream, kSealed };

// "legacy", "0.2" or "1", as listings show it.
[[nodiscard]] constexpr const char* FormatName(Format format) noexcept {
    return format == Format::kSealed ? "1" : format == Format::kStream ? "0.2" : "legacy";
}

}  // namespace vko::BoxFormat
