// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sodium.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vko::crypto {

using Digest256 = std::array<uint8_t, 32>;

// BLAKE2b-256 of the plain header after the version byte, fed in the order of the layout
// (N, name, D, folder table, F, file table, integers as the box stores them). Taken after the
// name it is G1, after D G2, after the folder table HA, after the file table HB: each is the hash
// of everything before it, so one hasher serves them all.
class HeaderHasher {
public:
    HeaderHasher() noexcept;
    void Add(std::span<const uint8_t> bytes) noexcept;
    void Add(std::string_view bytes) noexcept;
    // The digest of what was added so far; adding may go on afterwards.
    [[nodiscard]] Digest256 Digest() const noexcept;

private:
    crypto_generichash_state state_;
};

// The label of each unit; its pieces' tweaks are TweakOf(label, index). The fields are the
// plain bytes as the box lays them out: N one byte, folder numbers two bytes little-endian, F
// four bytes little-endian.
namespace unit_label {

[[nodiscard]] std::string N();
[[nodiscard]] std::string Name(uint8_t n);
[[nodiscard]] std::string D(const Digest256& g1);
[[nodiscard]] std::string Folders(const Digest256& g2);
[[nodiscard]] std::string F(const Digest256& ha);
[[nodiscard]] std::string Files(const Digest256& ha, uint32_t f);
// A file record's stored bytes. Depends on no size, so a writer knows it once the scan is done.
[[nodiscard]] std::string File(const Digest256& ha, uint16_t folder, std::string_view name);

}  // namespace unit_label

}  // namespace vko::crypto
