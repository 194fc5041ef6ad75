// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BoxSeal.h"

#include <algorithm>
#include <cstring>

#include "engine/BoxFormat.h"
#include "engine/FileProblem.h"

namespace vko::BoxSeal {

namespace {

using BoxFormat::kSealTagBytes;

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

crypto::SealHash HashOf(std::span<const uint8_t> bytes, const crypto::BoxKeys& keys) {
    crypto::SealHash hash(keys);
    hash.Absorb(bytes);
    return hash;
}

std::span<const uint8_t, 16> TagAt(const std::string& seal, size_t k) {
    return std::span<const uint8_t, 16>(Bytes(seal).subspan(k * kSealTagBytes, kSealTagBytes));
}

}  // namespace

Found Read(InputFile& box, const std::string& storedHeader, const crypto::Digest256& hb,
           int64_t dataBytes, size_t records, const crypto::BoxKeys& keys) {
    Found found;
    const int64_t start = static_cast<int64_t>(storedHeader.size()) + dataBytes;
    const int64_t length = (static_cast<int64_t>(records) + 2) * kSealTagBytes;
    const int64_t present = std::clamp<int64_t>(box.Length() - start, 0, length);
    std::string seal(static_cast<size_t>(present), '\0');
    box.ReadAt(start, seal.data(), seal.size());
    const size_t whole = seal.size() / kSealTagBytes;
    found.tags.resize(records);
    for (size_t k = 0; k < std::min(whole, records); ++k) {
        crypto::SealTag tag;
        std::memcpy(tag.data(), TagAt(seal, k).data(), tag.size());
        found.tags[k] = tag;
    }
    if (present == 0)
        found.damage = "its seal is missing";
    else if (present < length)
        found.damage = "its seal is cut short";
    else if (box.Length() > start + length)
        found.damage = ByteCountText(box.Length() - start - length) + " follow its seal";
    if (!found.damage.empty()) return found;
    crypto::BoxCipher cipher(keys);
    if (!cipher.Verify(HashOf(Bytes(storedHeader), keys), hb, crypto::kHeaderTagIndex,
                       TagAt(seal, records)))
        found.damage = "its header does not match its seal";
    else if (!cipher.Verify(HashOf(Bytes(seal).first((records + 1) * kSealTagBytes), keys), hb,
                            crypto::kSealTagIndex, TagAt(seal, records + 1)))
        found.damage = "its seal does not verify";
    found.sealed = found.damage.empty();
    return found;
}

std::string Make(const std::string& storedHeader, const crypto::Digest256& hb,
                 const std::vector<crypto::SealHash>& recordHashes, const crypto::BoxKeys& keys) {
    crypto::BoxCipher cipher(keys);
    std::string seal;
    const auto add = [&seal](const crypto::SealTag& tag) {
        seal.append(reinterpret_cast<const char*>(tag.data()), tag.size());
    };
    for (size_t k = 0; k < recordHashes.size(); ++k) add(cipher.Tag(recordHashes[k], hb, k));
    add(cipher.Tag(HashOf(Bytes(storedHeader), keys), hb, crypto::kHeaderTagIndex));
    add(cipher.Tag(HashOf(Bytes(seal), keys), hb, crypto::kSealTagIndex));
    return seal;
}

}  // namespace vko::BoxSeal
