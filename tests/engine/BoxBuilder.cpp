#include "engine/BoxBuilder.h"

#include <zlib.h>

#include <stdexcept>

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

std::string Long(uint32_t value, uint8_t version) {
    return Field(value, 4, version);
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

std::string DataArea(const BoxLayout& layout, const std::string& password) {
    CCipher cipher;
    std::string data;
    for (const auto& entry : layout.files) {
        cipher.Initilize(password);
        data += cipher.Cipher(StoredBytes(entry, layout.version));
    }
    return data;
}

// Versions 1 and 2 encipher the name and folder table in run A and the file table in run B; the
// legacy layout has one run from the "$" to the end of the file table, with lengths in the clear.
std::string Header(const BoxLayout& layout, const std::string& password) {
    const std::string folders = FolderTable(layout);
    const std::string files = FileTable(layout);
    const auto n = static_cast<char>(layout.nameLength.value_or(layout.name.size()));
    const std::string d = Long(layout.folderLength.value_or(folders.size()), layout.version);
    const std::string f = Long(layout.fileLength.value_or(files.size()), layout.version);
    CCipher cipher;
    cipher.Initilize(password);
    if (layout.version == kLegacy) {
        // One piece per statement: the run is the cipher's state, so the order of calls counts.
        std::string box = cipher.Cipher("$") + n;
        box += cipher.Cipher(layout.name) + d;
        box += cipher.Cipher(folders) + f;
        return box + cipher.Cipher(files);
    }
    std::string box =
        static_cast<char>(layout.version) + cipher.Cipher(n + layout.name + d + folders);
    cipher.Initilize(password);
    return box + cipher.Cipher(f + files);
}

}  // namespace

std::string RecordBytes(const BoxEntry& entry, uint8_t version) {
    const auto size = entry.sizeField.value_or(static_cast<uint32_t>(entry.contents.size()));
    std::string record =
        Field(static_cast<uint32_t>(entry.folder), 2, version) + Long(size, version);
    if (version == kCompressed) {
        const auto stored = static_cast<uint32_t>(StoredBytes(entry, version).size());
        record += Long(entry.storedField.value_or(stored), version);
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
    std::string box = Header(layout, password) + DataArea(layout, password) + layout.trailing;
    if (layout.truncateTo && *layout.truncateTo < box.size()) box.resize(*layout.truncateTo);
    return box;
}

void WriteBox(const std::string& path, const BoxLayout& layout, const std::string& password) {
    WriteFile(path, BuildBox(layout, password));
}

}  // namespace vko::test
