#include "engine/UnitPieces.h"

#include <sodium.h>

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

void Decipher(crypto::BoxCipher& cipher, const std::string& label, uint64_t unitBytes,
              const Chunk& chunk, std::span<uint8_t> bytes) {
    uint64_t done = 0;
    for (uint64_t i = chunk.first; done < chunk.length; ++i) {
        const uint64_t length = crypto::PieceAt(unitBytes, i).length;
        cipher.DecipherPiece(label, i, bytes.subspan(done, length));
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
    while (held_.size() - start_ >= kPieceBytes + kWidePieceMinBytes) Out(cipher, kPieceBytes, emit);
    if (start_ == 0) return;
    sodium_memzero(held_.data(), start_);
    held_.erase(held_.begin(), held_.begin() + static_cast<ptrdiff_t>(start_));
    start_ = 0;
}

void Writer::Finish(crypto::BoxCipher& cipher, const Emit& emit) {
    if (held_.size() > start_) Out(cipher, held_.size() - start_, emit);
}

void Writer::Out(crypto::BoxCipher& cipher, size_t length, const Emit& emit) {
    const std::span<uint8_t> piece(held_.data() + start_, length);
    cipher.EncipherPiece(label_, index_++, piece);
    hash_.Absorb(piece);
    emit(piece.data(), piece.size());
    start_ += length;
}

}  // namespace vko::UnitPieces
