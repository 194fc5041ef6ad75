// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vko::test {

// One file of a box written by BuildBox.
struct BoxEntry {
    BoxEntry(int32_t folderNumber, std::string fileName, std::string fileContents,
             std::optional<std::string> storedBytes = std::nullopt)
        : folder(folderNumber),
          name(std::move(fileName)),
          contents(std::move(fileContents)),
          stored(std::move(storedBytes)) {}

    int32_t folder = 0;  // the folder number its record carries
    std::string name;
    std::string contents;
    // Overrides for damaged or forged boxes.
    std::optional<std::string> stored;    // the bytes in the data area, before encipherment
    std::optional<uint32_t> sizeField;    // the record's file size
    std::optional<uint32_t> storedField;  // compressed boxes: the record's stored size
};

// A box described field by field. By default every field is what a correct writer would put
// there; each override replaces one field with whatever a test needs, however hostile.
struct BoxLayout {
    uint8_t version = 1;  // 0 legacy, 1 plain, 2 compressed
    bool stream = false;  // versions 1 and 2: a box of 0.2.0 (named stream runs), not format 1
    std::string name = "Box";
    std::vector<std::string> folders = {"Docs"};  // entry 1 first; later ones end in "\"
    std::vector<BoxEntry> files;

    std::optional<uint8_t> nameLength;       // N
    std::optional<uint32_t> folderLength;    // D
    std::optional<uint32_t> fileLength;      // F
    std::optional<std::string> folderTable;  // the raw folder table instead of the entries
    std::optional<std::string> fileTable;    // the raw file table instead of the records
    std::string trailing;                    // bytes after the data area (and the seal)
    std::optional<size_t> truncateTo;        // cut the finished box to this many bytes
};

// The box's bytes, enciphered with password the way the format says: format 1 (its units in
// pieces, and the seal after the data area), a box of 0.2.0 or a legacy one.
[[nodiscard]] std::string BuildBox(const BoxLayout& layout, const std::string& password);
void WriteBox(const std::string& path, const BoxLayout& layout, const std::string& password);

// The run names of a version 1 or 2 box: H, the digest of run A's plain bytes, and the name of a
// file record's run (record without its length byte).
[[nodiscard]] std::string RunADigest(const std::string& plainRunA);
[[nodiscard]] std::string FileRunName(const std::string& runA, const std::string& record,
                                      uint8_t version);
// Run A of a version 1 or 2 box, deciphered: N, the box name, D and the folder table.
[[nodiscard]] std::string ReadRunA(const std::string& box, const std::string& password);

// A file record without its length byte, as the box's version writes it.
[[nodiscard]] std::string RecordBytes(const BoxEntry& entry, uint8_t version);
// The stored bytes of a compressed entry: the zlib stream of contents and its trailer.
[[nodiscard]] std::string ZlibStored(const std::string& contents);
// A stream whose middle is overwritten, so that it no longer expands.
[[nodiscard]] std::string DamagedStored(const std::string& contents);

}  // namespace vko::test
