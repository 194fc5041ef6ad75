// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/BoxKeys.h"
#include "crypto/Polyval.h"

namespace vko::crypto {

// One tag of the seal: MAC(m, j) = AES-256 with K_s of POLYVAL with h_s over
// m zero-padded to whole blocks || HB || LE64(j) || LE64(8 x length of m).
using SealTag = std::array<uint8_t, 16>;

// j of the header's tag T_h and of the tag over all tags T_s; a record's tag has j = its number.
inline constexpr uint64_t kHeaderTagIndex = ~uint64_t{0} - 1;
inline constexpr uint64_t kSealTagIndex = ~uint64_t{0};

// The running POLYVAL of one message m: the stored (enciphered) bytes of a record, the box's
// bytes up to the end of the file table, or the tags. Bytes are absorbed in order, in pieces of
// any size, as they are written or read; successive calls may come from different threads (one at
// a time, in order). HB comes after m, so the tag is finished (BoxCipher::Tag) once the header is
// final. Reads the POLYVAL key from keys, which must outlive it. Wiped when it goes.
class SealHash {
public:
    explicit SealHash(const BoxKeys& keys) noexcept : key_(&keys.SealHashKey()) {}
    ~SealHash();
    SealHash(const SealHash&) = default;
    SealHash& operator=(const SealHash&) = default;

    void Absorb(std::span<const uint8_t> bytes) noexcept;

    // Continues m with what next absorbed from its own start (under the same key), as though its
    // bytes had been absorbed here: POLYVAL is linear, so acc becomes acc H^n + next's acc for
    // next's n whole blocks. Lets the parts of one message be hashed on different threads.
    // Requires a whole number of blocks absorbed here so far.
    void Append(const SealHash& next) noexcept;

    // Bytes absorbed so far.
    [[nodiscard]] uint64_t Length() const noexcept { return length_; }

    // The POLYVAL input that follows m, absorbed into a copy: the rest of m padded with zeros,
    // HB and the lengths block. Writes the 16-byte result to out.
    void Finish(std::span<const uint8_t, 32> hb, uint64_t j, uint8_t* out) const noexcept;

private:
    const PolyvalKey* key_;
    uint8_t acc_[kPolyvalBlockBytes] = {};
    uint8_t pending_[kPolyvalBlockBytes] = {};
    size_t pendingBytes_ = 0;
    uint64_t length_ = 0;
};

}  // namespace vko::crypto
