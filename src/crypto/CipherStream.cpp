// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/CipherStream.h"

#include <algorithm>
#include <cstring>

#include "crypto/Blake2bBlock.h"
#include "crypto/SecureMemory.h"

namespace vko::crypto {

void CipherStream::Key(const CipherKey& key) noexcept {
    state_.Wipe();
    std::memcpy(state_->in, key.bytes, kKeyBytes);
    Blake2b512(state_->in, state_->keystream);
    keyed_ = true;
}

void CipherStream::Key(const CipherKey& key, std::string_view run) noexcept {
    state_.Wipe();
    std::memcpy(state_->in, key.bytes, kKeyBytes);
    // Keyed, so that a run's starting state says nothing about its name without the key.
    crypto_generichash(state_->in + kHashOffset, kAccOffset - kHashOffset,
                       reinterpret_cast<const unsigned char*>(run.data()), run.size(), key.bytes,
                       kKeyBytes);
    Blake2b512(state_->in, state_->keystream);
    keyed_ = true;
}

void CipherStream::Reset() noexcept {
    state_.Wipe();
    keyed_ = false;
}

void CipherStream::Transform(const uint8_t* source, uint8_t* dest, size_t length) noexcept {
    size_t done = 0;
    for (; done < length && state_->position != 0; ++done) dest[done] = Transform(source[done]);
    for (; length - done >= kBlockBytes; done += kBlockBytes)
        TransformBlock(source + done, dest + done);
    for (; done < length; ++done) dest[done] = Transform(source[done]);
}

uint8_t CipherStream::Transform(uint8_t value) noexcept {
    State& s = *state_;
    const auto enciphered = static_cast<uint8_t>(value ^ s.keystream[s.position]);
    s.in[kAccOffset + s.position] = std::min(value, enciphered);
    if (++s.position == kBlockBytes) NextBlock();
    return enciphered;
}

// The per-byte step over a whole block at once; plain fixed-size loops over local copies, so
// that the compiler turns them into vector instructions.
void CipherStream::TransformBlock(const uint8_t* source, uint8_t* dest) noexcept {
    State& s = *state_;
    uint8_t plain[kBlockBytes];
    uint8_t out[kBlockBytes];
    uint8_t acc[kBlockBytes];
    std::memcpy(plain, source, kBlockBytes);
    for (size_t i = 0; i < kBlockBytes; ++i) {
        out[i] = static_cast<uint8_t>(plain[i] ^ s.keystream[i]);
        acc[i] = std::min(plain[i], out[i]);
    }
    std::memcpy(s.in + kAccOffset, acc, kBlockBytes);
    std::memcpy(dest, out, kBlockBytes);
    NextBlock();
}

void CipherStream::NextBlock() noexcept {
    State& s = *state_;
    std::memcpy(s.in + kHashOffset, s.keystream, kAccOffset - kHashOffset);
    Blake2b512(s.in, s.keystream);
    s.position = 0;
}

}  // namespace vko::crypto
