// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

#include "crypto/CipherKey.h"
#include "crypto/Polyval.h"
#include "crypto/SecureMemory.h"

namespace vko::crypto {

// The subkeys of a box, each BLAKE2b of an ASCII label keyed with the password's key K, with the
// output length named (a 16-byte BLAKE2b output is not the start of a 32-byte one).
struct BoxSubkeys {
    uint8_t piece[32];      // K_e, "vko box key": the AES-256 key of HCTR2
    uint8_t shortPiece[32]; // K_f, "vko short key": the short pieces' BLAKE2b key
    uint8_t seal[32];       // K_s, "vko seal key": the AES-256 key of the seal
    uint8_t sealHash[16];   // h_s, "vko seal hash": the POLYVAL key of the seal
};

void DeriveBoxSubkeys(const CipherKey& key, BoxSubkeys& subkeys) noexcept;

// The keys of one job or command, in guarded memory and wiped when it goes. Built once and then
// only read, so every thread of the job may share it; each thread makes its own BoxCipher from it.
class BoxKeys {
public:
    // From the cipher library's key cache: K is derived only when the cache does not hold the key
    // of password (KeyHold keeps it for the length of a command or while the desktop memorizes
    // the password). Throws Failure 7 when the derivation runs out of memory.
    explicit BoxKeys(std::string_view password);
    // From K itself (tests, benchmarks).
    explicit BoxKeys(const CipherKey& key);

    [[nodiscard]] const BoxSubkeys& Subkeys() const noexcept { return keys_->subkeys; }
    // h_s made ready for POLYVAL.
    [[nodiscard]] const PolyvalKey& SealHashKey() const noexcept { return keys_->sealHash; }

private:
    struct Keys {
        BoxSubkeys subkeys;
        PolyvalKey sealHash;
    };

    void Prepare() noexcept;

    SecureBox<Keys> keys_;
};

}  // namespace vko::crypto
