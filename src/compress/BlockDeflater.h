// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compress/modCompress.h"

struct z_stream_s;

namespace vko::modCompress {

// One zlib stream made of pieces compressed independently, so that the pieces of a large file
// can be compressed on several cores and the result is the same whoever compressed which:
//
//   kZlibHeader | piece 1 | piece 2 | ... | piece n | adler32 of the whole file (big-endian)
//
// Each piece is raw deflate data primed with the 32 KiB of plain data before it as its
// dictionary. Every piece but the last ends on a byte boundary with an empty stored block (a
// sync flush); the last ends with the final block. A stream whose last piece was not final
// (the file ended early) is closed with kEmptyFinalBlock.
inline constexpr size_t kPieceBytes = size_t{1} << 20;
inline constexpr size_t kDictionaryBytes = 32768;
inline constexpr uint8_t kZlibHeader[2] = {0x78, 0xDA};  // deflate, 32 KiB window, level 9
inline constexpr uint8_t kEmptyFinalBlock[2] = {0x03, 0x00};

// Compresses pieces with one reusable deflate state (level 9).
class BlockDeflater {
public:
    BlockDeflater();
    ~BlockDeflater();
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;

    // Replaces out with the piece for plain, primed with dictionary (may be empty). Throws
    // Failure when zlib fails (out of memory).
    void Compress(const uint8_t* dictionary, size_t dictionaryLength, const uint8_t* plain,
                  size_t length, bool last, ByteArray& out);

private:
    z_stream_s* stream_ = nullptr;
};

// adler32 of length bytes, and of two pieces joined (the second of secondLength bytes).
[[nodiscard]] uint32_t Adler32(const uint8_t* data, size_t length) noexcept;
[[nodiscard]] uint32_t Adler32Combine(uint32_t first, uint32_t second,
                                      int64_t secondLength) noexcept;
// The four checksum bytes that end a zlib stream.
[[nodiscard]] std::string ChecksumBytes(uint32_t adler);

}  // namespace vko::modCompress
