// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/ShortPiece.h"

#include <sodium.h>

#include <cstring>

#include "crypto/SecureMemory.h"
#include "util/Failure.h"

namespace vko::crypto {

namespace {

__extension__ using Wide = unsigned __int128;

constexpr int kRounds = 24;

// One piece in flight: its halves and the round function's input, wiped when done.
class Network {
public:
    Network(const uint8_t* key, std::span<const uint8_t, kShortPieceTweakBytes> tweak,
            std::span<uint8_t> piece)
        : key_(key), piece_(Checked(piece)), bits_(4 * piece.size()), bytes_((bits_ + 7) / 8),
          mask_((uint64_t{1} << bits_) - 1) {
        std::memcpy(input_, tweak.data(), tweak.size());
        Wide x = 0;
        for (uint8_t b : piece) x = (x << 8) | b;
        left_ = static_cast<uint64_t>(x >> bits_);
        right_ = static_cast<uint64_t>(x) & mask_;
        sodium_memzero(&x, sizeof x);
    }

    ~Network() {
        sodium_memzero(input_, sizeof input_);
        sodium_memzero(digest_, sizeof digest_);
        sodium_memzero(&left_, sizeof left_);
        sodium_memzero(&right_, sizeof right_);
        WipeStack();
    }

    void Forward() {
        for (int r = 0; r < kRounds; ++r) {
            const uint64_t next = left_ ^ F(r, right_);
            left_ = right_;
            right_ = next;
        }
        Store();
    }

    void Backward() {
        for (int r = kRounds - 1; r >= 0; --r) {
            const uint64_t previous = right_ ^ F(r, left_);
            right_ = left_;
            left_ = previous;
        }
        Store();
    }

private:
    static std::span<uint8_t> Checked(std::span<uint8_t> piece) {
        if (piece.empty() || piece.size() > kShortPieceMaxBytes)
            throw Failure(FailureNumber::kInvalidArgument,
                          "A short piece must hold 1 to 15 bytes", "cipherlib");
        return piece;
    }

    // BLAKE2b-256(tweak || byte r || x on bytes_ big-endian bytes, key) as described above.
    uint64_t F(int r, uint64_t x) {
        input_[kShortPieceTweakBytes] = static_cast<uint8_t>(r);
        uint8_t* xBytes = input_ + kShortPieceTweakBytes + 1;
        for (size_t i = 0; i < bytes_; ++i)
            xBytes[i] = static_cast<uint8_t>(x >> (8 * (bytes_ - 1 - i)));
        crypto_generichash(digest_, sizeof digest_, input_, kShortPieceTweakBytes + 1 + bytes_,
                           key_, kShortPieceKeyBytes);
        uint64_t value = 0;
        for (size_t i = 0; i < bytes_; ++i) value = (value << 8) | digest_[i];
        return value & mask_;
    }

    void Store() {
        Wide x = (Wide{left_} << bits_) | right_;
        for (size_t i = piece_.size(); i-- > 0; x >>= 8) piece_[i] = static_cast<uint8_t>(x);
        sodium_memzero(&x, sizeof x);
    }

    const uint8_t* key_;
    std::span<uint8_t> piece_;
    size_t bits_, bytes_;
    uint64_t mask_;
    uint64_t left_ = 0, right_ = 0;
    uint8_t input_[kShortPieceTweakBytes + 1 + 8] = {};
    uint8_t digest_[32] = {};
};

}  // namespace

void EncipherShortPiece(const uint8_t* key, std::span<const uint8_t, kShortPieceTweakBytes> tweak,
                        std::span<uint8_t> piece) {
    Network(key, tweak, piece).Forward();
}

void DecipherShortPiece(const uint8_t* key, std::span<const uint8_t, kShortPieceTweakBytes> tweak,
                        std::span<uint8_t> piece) {
    Network(key, tweak, piece).Backward();
}

}  // namespace vko::crypto
