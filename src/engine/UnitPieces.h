// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "crypto/BoxCipher.h"

// The pieces of one unit of a box (box format 1), as a writer streams them out and a reader
// takes them in.
namespace vko::UnitPieces {

// Whole pieces of a unit of unitBytes bytes, read together from a piece boundary.
struct Chunk {
    uint64_t first = 0;   // index of its first piece
    uint64_t offset = 0;  // of its first byte within the unit
    uint64_t length = 0;  // bytes
};

// The pieces from offset (a piece boundary below unitBytes) on that fit in about want bytes;
// at least one.
[[nodiscard]] Chunk NextChunk(uint64_t unitBytes, uint64_t offset, uint64_t want) noexcept;

// The whole unit cut by NextChunk, in order; none for an empty unit.
[[nodiscard]] std::vector<Chunk> Chunks(uint64_t unitBytes, uint64_t want);

// The most bytes a chunk of NextChunk(..., want) can hold.
[[nodiscard]] constexpr uint64_t ChunkRoom(uint64_t want) noexcept {
    return want > crypto::kPieceBytes + crypto::kWidePieceMinBytes
               ? want
               : crypto::kPieceBytes + crypto::kWidePieceMinBytes;
}

// Deciphers the pieces of chunk, whose stored bytes are bytes, in place; with a hash, each
// piece is absorbed into it first, while its bytes are still in the cache.
void Decipher(crypto::BoxCipher& cipher, const std::string& label, uint64_t unitBytes,
              const Chunk& chunk, std::span<uint8_t> bytes, crypto::SealHash* hash = nullptr);

// Enciphers the pieces of chunk, whose plain bytes are bytes, in place, absorbing each into
// hash once enciphered.
void Encipher(crypto::BoxCipher& cipher, const std::string& label, uint64_t unitBytes,
              const Chunk& chunk, std::span<uint8_t> bytes, crypto::SealHash& hash);

// A unit whose length is known only at its end (a file's stored bytes), enciphered as its bytes
// come: a piece goes out once 16 bytes after it are known, since a last piece shorter than that
// joins the one before. What goes out is absorbed into the unit's seal hash on the way. The
// plain bytes it holds back are wiped when it goes.
class Writer {
public:
    // Receives the enciphered bytes in order.
    using Emit = std::function<void(const uint8_t* bytes, size_t length)>;

    Writer(std::string label, const crypto::BoxKeys& keys);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // The next bytes of the unit, copied.
    void Add(crypto::BoxCipher& cipher, const uint8_t* bytes, size_t length, const Emit& emit);
    // The rest, as the unit's last piece.
    void Finish(crypto::BoxCipher& cipher, const Emit& emit);

    // The same without a copy: bytes[0, length) are the unit's next bytes in the caller's buffer;
    // the pieces that are final (all of them when last) are enciphered there in place and go
    // out together in one emit, and the bytes held back are moved to the buffer's start. Returns how many: 16 when
    // length was a whole number of pieces and 16 bytes. Not to be mixed with Add.
    [[nodiscard]] size_t Put(crypto::BoxCipher& cipher, uint8_t* bytes, size_t length, bool last,
                             const Emit& emit);

    [[nodiscard]] const crypto::SealHash& Hash() const noexcept { return hash_; }

private:
    void Out(crypto::BoxCipher& cipher, uint8_t* piece, size_t length);

    const std::string label_;
    crypto::SealHash hash_;
    std::vector<uint8_t> held_;  // what Add holds back
    uint64_t index_ = 0;
};

}  // namespace vko::UnitPieces
