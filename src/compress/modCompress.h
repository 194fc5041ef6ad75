// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Whole-file zlib compression with the 17-byte length trailer used by compressed boxes:
// five 0x00 bytes, the uncompressed length in ASCII decimal, then 0x00 up to 17 bytes.
namespace vko::modCompress {

using ByteArray = std::vector<uint8_t>;

inline constexpr int32_t kTrailerSize = 17;
inline constexpr int32_t kResultBadTrailer = -1;

// The stream of the file compressed last by CompressFile, trailer included, and its length.
extern ByteArray CompressedBuffer;
extern int32_t CompressedLength;

[[nodiscard]] bool CompressData(const ByteArray& Source, ByteArray& Dest, int32_t Level,
                                int32_t& Result, bool AddTrailer);
// With PlainSize -1 the length comes from the trailer, which is cut off Source.
[[nodiscard]] bool DecompressData(ByteArray& Source, ByteArray& Dest, int32_t& Result,
                                  int32_t PlainSize);
// compress2 + trailer into stream. Unlike CompressData it also takes empty input (a zlib
// stream of nothing), so that empty files can be stored and recreated.
[[nodiscard]] bool CompressToStream(const ByteArray& plain, ByteArray& stream, int32_t level);
[[nodiscard]] bool CompressFile(const std::string& FileName, int32_t Level, int32_t& Result);
[[nodiscard]] bool DecompressFile(const std::string& SourceFile, const std::string& DestFile,
                                  int32_t& Result, bool Overwrite);

// The capacity given to compress2: n * 0.001 + 15 + n, rounded half to even.
[[nodiscard]] int64_t CompressCapacity(int64_t n);
// The 17 trailer bytes for an uncompressed length.
[[nodiscard]] std::string MakeTrailer(int64_t plainSize);

// Seam for the module's error box ("  Error  -  " + description as title, the report as text).
// The default writes to standard error; the desktop program installs a message box.
using ErrorReporter = std::function<void(const std::string& title, const std::string& text)>;
void SetErrorReporter(ErrorReporter reporter);

}  // namespace vko::modCompress
