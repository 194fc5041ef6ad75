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

}  // namespace vko::BoxFormat
