// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/BoxKeys.h"

#include <sodium.h>

#include <cstring>

#include "crypto/CipherLibrary.h"

namespace vko::crypto {

namespace {

void Subkey(const CipherKey& key, const char* label, uint8_t* out, size_t length) noexcept {
    crypto_generichash(out, length, reinterpret_cast<const unsigned char*>(label),
                       std::strlen(label), key.bytes, sizeof key.bytes);
}

}  // namespace

void DeriveBoxSubkeys(const CipherKey& key, BoxSubkeys& subkeys) noexcept {
    Subkey(key, "vko box key", subkeys.piece, sizeof subkeys.piece);
    Subkey(key, "vko short key", subkeys.shortPiece, sizeof subkeys.shortPiece);
    Subkey(key, "vko seal key", subkeys.seal, sizeof subkeys.seal);
    Subkey(key, "vko seal hash", subkeys.sealHash, sizeof subkeys.sealHash);
}

BoxKeys::BoxKeys(std::string_view password) {
    CipherLibrary::Instance().CopyBoxSubkeys(password, keys_->subkeys);
    Prepare();
}

BoxKeys::BoxKeys(const CipherKey& key) {
    DeriveBoxSubkeys(key, keys_->subkeys);
    Prepare();
}

void BoxKeys::Prepare() noexcept {
    SetPolyvalKey(keys_->sealHash, keys_->subkeys.sealHash);
}

}  // namespace vko::crypto
