// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "crypto/BoxCipher.h"
#include "util/File.h"

// The seal of a format 1 box: after the data area, a tag per file record T_0 ... T_(R-1), the
// header's tag T_h and the tag over all of them T_s, 16 bytes each.
namespace vko::BoxSeal {

// What a reader finds of a box's seal.
struct Found {
    bool sealed = false;  // the box is exactly header, data area and seal, and T_h and T_s verify
    std::string damage;   // why it is not sealed ("its seal is cut short"); empty when sealed
    std::vector<std::optional<crypto::SealTag>> tags;  // T_k of each record, where the file holds it
};

// Reads and checks the seal of box, whose header (storedHeader as stored, hb the digest of its
// plain bytes) ends where its data area of dataBytes bytes (the sum of the stored sizes) begins,
// with records file records.
[[nodiscard]] Found Read(InputFile& box, const std::string& storedHeader,
                         const crypto::Digest256& hb, int64_t dataBytes, size_t records,
                         const crypto::BoxKeys& keys);

// The seal of a box whose header is storedHeader (as stored, hb the digest of its plain bytes)
// and whose records' stored bytes were absorbed by recordHashes, in table order.
[[nodiscard]] std::string Make(const std::string& storedHeader, const crypto::Digest256& hb,
                               const std::vector<crypto::SealHash>& recordHashes,
                               const crypto::BoxKeys& keys);

}  // namespace vko::BoxSeal
