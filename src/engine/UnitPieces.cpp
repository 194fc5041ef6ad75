// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/UnitPieces.h"

#include <sodium.h>

#include <cstring>

namespace vko::UnitPieces {

using crypto::kPieceBytes;
using crypto::kWidePieceMinBytes;

Chunk NextChunk(uint64_t unitBytes, uint64_t offset, uint64_t want) noexcept {
    Chunk chunk;
    chunk.first = offset / kPieceBytes;
    chunk.offset = offset;
    const uint64_t count = crypto::PieceCount(unitBytes);
    for (uint64_t i = chunk.first; i < count; ++i) {
        const uint64_t length = crypto::PieceAt(unitBytes, i).length;
        if (i > chunk.first && chunk.length + length > want) break;
        chunk.length += length;
    }
    return chunk;
}

std::vector<Chunk> Chunks(uint64_t unitBytes, uint64_t want) {
    std::vector<Chunk> chunks;
    for (uint64_t at = 0; at < unitBytes; at += chunks.back().length)
        chunks.push_back(NextChunk(unitBytes, at, want));
    return chunks;
}

void Decipher(crypto::BoxCipher& cipher, const std::string& label, uint64_t unitBytes,
              const Chunk& chunk, std::span<uint8_t> bytes, crypto::SealHash* hash) {
    uint64_t done = 0;
    for (uint64_t i = chunk.first; done < chunk.length; ++i) {
        const uint64_t length = crypto::PieceAt(unitBytes, i).length;
        const std::span<uint8_t> piece = bytes.subspan(done, length);
        if (hash) hash->Absorb(piece);
        cipher.DecipherPiece(label, i, piece);
        done += length;
    }
}

void Encipher(crypto::BoxCipher& cipher, const std::string& label, uint64_t unitBytes,
              const Chunk& chunk, std::span<uint8_t> bytes, crypto::SealHash& hash) {
    uint64_t done = 0;
    for (uint64_t i = chunk.first; done < chunk.length; ++i) {
        const uint64_t length = crypto::PieceAt(unitBytes, i).length;
        const std::span<uint8_t> piece = bytes.subspan(done, length);
        cipher.EncipherPiece(label, i, piece);
        hash.Absorb(piece);
        done += length;
    }
}

Writer::Writer(std::string label, const crypto::BoxKeys& keys)
    : label_(std::move(label)), hash_(keys) {}

Writer::~Writer() {
    if (!held_.empty()) sodium_memzero(held_.data(), held_.size());
}

void Writer::Add(crypto::BoxCipher& cipher, const uint8_t* bytes, size_t length,
                 const Emit& emit) {
    held_.insert(held_.end(), bytes, bytes + length);
    held_.resize(Put(cipher, held_.data(), held_.size(), false, emit));
}

void Writer::Finish(crypto::BoxCipher& cipher, const Emit& emit) {
    held_.resize(Put(cipher, held_.data(), held_.size(), true, emit));
}

size_t Writer::Put(crypto::BoxCipher& cipher, uint8_t* bytes, size_t length, bool last,
                   const Emit& emit) {
    size_t start = 0;
    for (; length - start >= kPieceBytes + kWidePieceMinBytes; start += kPieceBytes)
        Out(cipher, bytes + start, kPieceBytes);
    if (last && length > start) {
        Out(cipher, bytes + start, length - start);
        start = length;
    }
    if (start > 0) emit(bytes, start);
    std::memmove(bytes, bytes + start, length - start);
    return length - start;
}

void Writer::Out(crypto::BoxCipher& cipher, uint8_t* piece, size_t length) {
    cipher.EncipherPiece(label_, index_++, {piece, length});
    hash_.Absorb({piece, length});
}

}  // namespace vko::UnitPieces
