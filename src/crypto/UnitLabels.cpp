// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/UnitLabels.h"

namespace vko::crypto {

HeaderHasher::HeaderHasher() noexcept {
    crypto_generichash_init(&state_, nullptr, 0, std::tuple_size_v<Digest256>);
}

void HeaderHasher::Add(std::span<const uint8_t> bytes) noexcept {
    crypto_generichash_update(&state_, bytes.data(), bytes.size());
}

void HeaderHasher::Add(std::string_view bytes) noexcept {
    Add({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

Digest256 HeaderHasher::Digest() const noexcept {
    crypto_generichash_state copy = state_;
    Digest256 digest;
    crypto_generichash_final(&copy, digest.data(), digest.size());
    return digest;
}

namespace unit_label {

namespace {

std::string With(std::string label, const Digest256& digest) {
    return label.append(reinterpret_cast<const char*>(digest.data()), digest.size());
}

std::string Le(uint64_t value, int bytes) {
    std::string le;
    for (int i = 0; i < bytes; ++i) le.push_back(static_cast<char>(value >> (8 * i)));
    return le;
}

}  // namespace

std::string N() {
    return "vko N";
}

std::string Name(uint8_t n) {
    return "vko name" + std::string(1, static_cast<char>(n));
}

std::string D(const Digest256& g1) {
    return With("vko D", g1);
}

std::string Folders(const Digest256& g2) {
    return With("vko folders", g2);
}

std::string F(const Digest256& ha) {
    return With("vko F", ha);
}

std::string Files(const Digest256& ha, uint32_t f) {
    return With("vko files", ha) + Le(f, 4);
}

std::string File(const Digest256& ha, uint16_t folder, std::string_view name) {
    return With("vko file", ha) + Le(folder, 2) + std::string(name);
}

}  // namespace unit_label

}  // namespace vko::crypto
