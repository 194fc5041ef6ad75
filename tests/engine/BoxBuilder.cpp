// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BoxBuilder.h"

#include <sodium.h>
#include <zlib.h>

#include <stdexcept>

#include "crypto/BoxCipher.h"
#include "crypto/CCipher.h"
#include "support/TestFiles.h"

namespace vko::test {

namespace {

constexpr uint8_t kLegacy = 0;
constexpr uint8_t kCompressed = 2;
constexpr size_t kTrailerSize = 17;

// Integer fields written byte by byte, so that values no correct writer would produce can be
// written too. The legacy layout puts the most significant byte first.
std::string Field(uint32_t value, int width, uint8_t version) {
    std::string bytes;
    for (int i = 0; i < width; ++i) {
        const int shift = version == kLegacy ? 8 * (width - 1 - i) : 8 * i;
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

uint32_t Field32(const std::string& bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[static_cast<size_t>(i)]);
    return value;
}

std::string StoredBytes(const BoxEntry& entry, uint8_t version) {
    if (entry.stored) return *entry.stored;
    return version == kCompressed ? ZlibStored(entry.contents) : entry.contents;
}

std::string FolderTable(const BoxLayout& layout) {
    if (layout.folderTable) return *layout.folderTable;
    std::string table;
    for (const auto& entry : layout.folders) table += entry + '\0';
    return table;
}

std::string FileTable(const BoxLayout& layout) {
    if (layout.fileTable) return *layout.fileTable;
    std::string table;
    for (size_t i = 0; i < layout.files.size(); ++i) {
        const std::string record = RecordBytes(layout.files[i], layout.version);
        if (layout.version == kLegacy) {
            table += (i > 0 ? std::string(4, '\xFF') : std::string()) + record;
        } else {
            table += static_cast<char>(record.size()) + record;
        }
    }
    return table;
}

std::string DataArea(const BoxLayout& layout, const std::string& password,
                     const std::string& runA) {
    CCipher cipher;
    std::string data;
    for (const auto& entry : layout.files) {
        if (layout.version == kLegacy)
            cipher.Initilize(password);
        else
            cipher.InitilizeRun(
                password, FileRunName(runA, RecordBytes(entry, layout.version), layout.version));
        data += cipher.Cipher(StoredBytes(entry, layout.version));
    }
    return data;
}

// Versions 1 and 2 encipher the name and folder table in run A and the file table in run B; the
// legacy layout has one unnamed run from the "$" to the end of the file table, with lengths in
// the clear. Sets runA to H (versions 1 and 2).
std::string Header(const BoxLayout& layout, const std::string& password, std::string& runA) {
    const std::string folders = FolderTable(layout);
    const std::string files = FileTable(layout);
    const auto n = static_cast<char>(layout.nameLength.value_or(layout.name.size()));
    const std::string d = Field(layout.folderLength.value_or(folders.size()), 4, layout.version);
    const std::string f = Field(layout.fileLength.value_or(files.size()), 4, layout.version);
    CCipher cipher;
    if (layout.version == kLegacy) {
        cipher.Initilize(password);
        // One piece per statement: the run is the cipher's state, so the order of calls counts.
        std::string box = cipher.Cipher("$") + n;
        box += cipher.Cipher(layout.name) + d;
        box += cipher.Cipher(folders) + f;
        return box + cipher.Cipher(files);
    }
    const std::string plainRunA = n + layout.name + d + folders;
    runA = RunADigest(plainRunA);
    cipher.InitilizeRun(password, "vko run A");
    std::string box = static_cast<char>(layout.version) + cipher.Cipher(plainRunA);
    cipher.InitilizeRun(password, "vko run B" + runA);
    return box + cipher.Cipher(f + files);
}

// Format 1, unit by unit: each labelled after the plain fields before it, every record's stored
// bytes a unit of its own, then a tag per record, the header's and the one over all of them.
std::string Sealed(const BoxLayout& layout, const std::string& password) {
    namespace label = crypto::unit_label;
    const crypto::BoxKeys keys(password);
    crypto::BoxCipher cipher(keys);
    crypto::HeaderHasher hasher;
    const auto unit = [&](const std::string& name, std::string plain) {
        hasher.Add(plain);
        cipher.EncipherUnit(name, {reinterpret_cast<uint8_t*>(plain.data()), plain.size()});
        return plain;
    };
    const std::string folders = FolderTable(layout);
    const std::string files = FileTable(layout);
    const auto n = static_cast<uint8_t>(layout.nameLength.value_or(layout.name.size()));
    const uint32_t f = layout.fileLength.value_or(static_cast<uint32_t>(files.size()));
    std::string box(1, static_cast<char>(layout.version));
    box += unit(label::N(), std::string(1, static_cast<char>(n)));
    box += unit(label::Name(n), layout.name);
    box += unit(label::D(hasher.Digest()),
                Field(layout.folderLength.value_or(folders.size()), 4, layout.version));
    box += unit(label::Folders(hasher.Digest()), folders);
    const crypto::Digest256 ha = hasher.Digest();
    box += unit(label::F(ha), Field(f, 4, layout.version));
    box += unit(label::Files(ha, f), files);
    const crypto::Digest256 hb = hasher.Digest();
    std::string seal;
    const auto tag = [&](std::span<const char> message, uint64_t j) {
        crypto::SealHash hash(keys);
        hash.Absorb({reinterpret_cast<const uint8_t*>(message.data()), message.size()});
        const crypto::SealTag t = cipher.Tag(hash, hb, j);
        seal.append(reinterpret_cast<const char*>(t.data()), t.size());
    };
    std::string data;
    for (size_t k = 0; k < layout.files.size(); ++k) {
        const BoxEntry& entry = layout.files[k];
        std::string stored = StoredBytes(entry, layout.version);
        cipher.EncipherUnit(label::File(ha, static_cast<uint16_t>(entry.folder), entry.name),
                            {reinterpret_cast<uint8_t*>(stored.data()), stored.size()});
        tag(stored, k);
        data += stored;
    }
    tag(box, crypto::kHeaderTagIndex);
    tag(std::string(seal), crypto::kSealTagIndex);
    return box + data + seal;
}

}  // namespace

// The run names are spelled out here rather than taken from the engine, so that the engine is
// read against a second rendering of them.
std::string RunADigest(const std::string& plainRunA) {
    std::string digest(32, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(digest.data()), digest.size(),
                       reinterpret_cast<const unsigned char*>(plainRunA.data()), plainRunA.size(),
                       nullptr, 0);
    return digest;
}

std::string FileRunName(const std::string& runA, const std::string& record, uint8_t version) {
    const size_t fixed = version == kCompressed ? 10 : 6;
    return "vko file" + runA + record.substr(0, 2) + record.substr(fixed);
}

std::string ReadRunA(const std::string& box, const std::string& password) {
    CCipher cipher;
    cipher.InitilizeRun(password, "vko run A");
    const auto take = [&](size_t at, size_t count) { return cipher.Cipher(box.substr(at, count)); };
    std::string plain = take(1, 1);
    plain += take(2, static_cast<uint8_t>(plain[0]));
    plain += take(plain.size() + 1, 4);
    const auto d = static_cast<size_t>(Field32(plain.substr(plain.size() - 4)));
    return plain + take(plain.size() + 1, d);
}

std::string RecordBytes(const BoxEntry& entry, uint8_t version) {
    const auto size = entry.sizeField.value_or(static_cast<uint32_t>(entry.contents.size()));
    std::string record =
        Field(static_cast<uint32_t>(entry.folder), 2, version) + Field(size, 4, version);
    if (version == kCompressed) {
        const auto stored = static_cast<uint32_t>(StoredBytes(entry, version).size());
        record += Field(entry.storedField.value_or(stored), 4, version);
    }
    return record + entry.name;
}

std::string ZlibStored(const std::string& contents) {
    uLongf length = compressBound(contents.size());
    std::string stream(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(stream.data()), &length,
                  reinterpret_cast<const Bytef*>(contents.data()), contents.size(), 9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    stream.resize(length);
    std::string trailer = std::string(5, '\0') + std::to_string(contents.size());
    trailer.resize(kTrailerSize, '\0');
    return stream + trailer;
}

std::string DamagedStored(const std::string& contents) {
    std::string stored = ZlibStored(contents);
    stored[0] = static_cast<char>(stored[0] ^ 0xFF);  // no longer a zlib header
    return stored;
}

std::string BuildBox(const BoxLayout& layout, const std::string& password) {
    std::string runA;
    std::string box;
    if (layout.version == kLegacy || layout.stream) {
        box = Header(layout, password, runA);  // sets runA, which the data area needs
        box += DataArea(layout, password, runA);
    } else {
        box = Sealed(layout, password);
    }
    box += layout.trailing;
    if (layout.truncateTo && *layout.truncateTo < box.size()) box.resize(*layout.truncateTo);
    return box;
}

void WriteBox(const std::string& path, const BoxLayout& layout, const std::string& password) {
    WriteFile(path, BuildBox(layout, password));
}

}  // namespace vko::test
