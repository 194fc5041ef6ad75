// SPDX-License-Identifier: GPL-3.0-or-later
#include "compress/BlockDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "util/Failure.h"

namespace vko::modCompress {

namespace {

constexpr int kLevel = 9;
constexpr int kRawWindowBits = -15;
constexpr int kMemLevel = 8;  // compress2's

Failure ZlibFailure(int code) {
    return Failure(
        code == Z_MEM_ERROR ? FailureNumber::kOutOfMemory : FailureNumber::kInvalidArgument,
        std::string("Compression failed: ") + zError(code), "modCompress");
}

}  // namespace

BlockDeflater::BlockDeflater() : stream_(new z_stream{}) {
    const int code =
        deflateInit2(stream_, kLevel, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
    if (code != Z_OK) {
        delete stream_;
        throw ZlibFailure(code);
    }
}

BlockDeflater::~BlockDeflater() {
    deflateEnd(stream_);
    delete stream_;
}

void BlockDeflater::Compress(const uint8_t* dictionary, size_t dictionaryLength,
                             const uint8_t* plain, size_t length, bool last, ByteArray& out) {
    if (length > std::numeric_limits<uInt>::max())
        throw Failure(FailureNumber::kOverflow, "A piece is too large to compress", "modCompress");
    int code = deflateReset(stream_);
    if (code == Z_OK && dictionaryLength > 0)
        code = deflateSetDictionary(stream_, dictionary, static_cast<uInt>(dictionaryLength));
    if (code != Z_OK) throw ZlibFailure(code);
    // deflateBound covers the final block; a sync flush adds at most its empty stored block.
    out.resize(deflateBound(stream_, static_cast<uLong>(length)) + 16);
    stream_->next_in = const_cast<Bytef*>(plain);
    stream_->avail_in = static_cast<uInt>(length);
    stream_->next_out = out.data();
    stream_->avail_out = static_cast<uInt>(out.size());
    code = deflate(stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool complete = last ? code == Z_STREAM_END : code == Z_OK && stream_->avail_in == 0;
    if (!complete) throw ZlibFailure(code == Z_OK ? Z_BUF_ERROR : code);
    out.resize(out.size() - stream_->avail_out);
}

uint32_t Adler32(const uint8_t* data, size_t length) noexcept {
    uLong adler = adler32(0L, Z_NULL, 0);
    while (length > 0) {
        const auto part = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
        adler = adler32(adler, data, part);
        data += part;
        length -= part;
    }
    return static_cast<uint32_t>(adler);
}

uint32_t Adler32Combine(uint32_t first, uint32_t second, int64_t secondLength) noexcept {
    return static_cast<uint32_t>(adler32_combine64(first, second, secondLength));
}

std::string ChecksumBytes(uint32_t adler) {
    return {static_cast<char>(adler >> 24), static_cast<char>(adler >> 16),
            static_cast<char>(adler >> 8), static_cast<char>(adler)};
}

}  // namespace vko::modCompress
