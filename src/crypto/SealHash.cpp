// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/SealHash.h"

#include <sodium.h>

#include <algorithm>
#include <cassert>
#include <cstring>

#include "crypto/PolyvalKernels.h"

namespace vko::crypto {

namespace {

constexpr size_t kBlock = kPolyvalBlockBytes;

void Store64(uint8_t* p, uint64_t v) noexcept {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// out = a H^n under POLYVAL's product, with H^n made by squaring.
void TimesPower(const PolyvalKey& key, const uint8_t* a, uint64_t n, uint8_t* out) noexcept {
    uint8_t power[kBlock];
    uint8_t product[kBlock];
    std::memcpy(power, key.powers[kPolyvalPowers - 1], kBlock);  // H
    std::memcpy(out, a, kBlock);
    for (; n > 0; n >>= 1) {
        if (n & 1) {
            PolyvalDotPortable(out, power, product);
            std::memcpy(out, product, kBlock);
        }
        if (n > 1) {
            PolyvalDotPortable(power, power, product);
            std::memcpy(power, product, kBlock);
        }
    }
    sodium_memzero(power, sizeof power);
    sodium_memzero(product, sizeof product);
}

}  // namespace

SealHash::~SealHash() {
    sodium_memzero(acc_, sizeof acc_);
    sodium_memzero(pending_, sizeof pending_);
}

void SealHash::Absorb(std::span<const uint8_t> bytes) noexcept {
    const uint8_t* in = bytes.data();
    size_t left = bytes.size();
    length_ += left;
    if (pendingBytes_ > 0) {
        const size_t fill = std::min(left, kBlock - pendingBytes_);
        std::memcpy(pending_ + pendingBytes_, in, fill);
        pendingBytes_ += fill;
        in += fill;
        left -= fill;
        if (pendingBytes_ < kBlock) return;
        PolyvalBlocks(*key_, acc_, pending_, 1);
        pendingBytes_ = 0;
    }
    PolyvalBlocks(*key_, acc_, in, left / kBlock);
    pendingBytes_ = left % kBlock;
    std::memcpy(pending_, in + left - pendingBytes_, pendingBytes_);
}

void SealHash::Append(const SealHash& next) noexcept {
    assert(pendingBytes_ == 0);  // a part joined after a partial block would shift by bits
    uint8_t shifted[kBlock];
    TimesPower(*key_, acc_, next.length_ / kBlock, shifted);
    for (size_t i = 0; i < kBlock; ++i) acc_[i] = shifted[i] ^ next.acc_[i];
    sodium_memzero(shifted, sizeof shifted);
    std::memcpy(pending_, next.pending_, next.pendingBytes_);
    pendingBytes_ = next.pendingBytes_;
    length_ += next.length_;
}

void SealHash::Finish(std::span<const uint8_t, 32> hb, uint64_t j, uint8_t* out) const noexcept {
    // The rest of m padded with zeros, HB, then LE64(j) || LE64(8 x length).
    uint8_t tail[4 * kBlock] = {};
    size_t blocks = 0;
    if (pendingBytes_ > 0) {
        std::memcpy(tail, pending_, pendingBytes_);
        blocks = 1;
    }
    std::memcpy(tail + blocks * kBlock, hb.data(), hb.size());
    blocks += 2;
    Store64(tail + blocks * kBlock, j);
    Store64(tail + blocks * kBlock + 8, 8 * length_);
    ++blocks;
    std::memcpy(out, acc_, kBlock);
    PolyvalBlocks(*key_, out, tail, blocks);
    sodium_memzero(tail, sizeof tail);
}

}  // namespace vko::crypto
