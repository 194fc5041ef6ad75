// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/BoxKeys.h"
#include "crypto/RunKey.h"
#include "crypto/UnitLabels.h"
#include "engine/BoxFormat.h"
#include "engine/CCipherBlock.h"
#include "engine/RunNames.h"
#include "util/File.h"

// Reading a box header and deciding whether it can be trusted. A header that deciphered with
// the wrong password, or that was damaged or forged, is refused here before anything is
// allocated beyond the file's size or written anywhere.
namespace vko::HeaderCheck {

// The keys a box was opened with: its subkeys (format 1) or its stream key (older boxes).
struct Keyring {
    std::unique_ptr<crypto::BoxKeys> box;
    std::unique_ptr<crypto::RunKey> stream;
};

// The deciphered header of a box, as stored.
struct RawHeader {
    uint8_t version = 0;
    BoxFormat::Format format = BoxFormat::Format::kSealed;
    std::string name;
    std::string folderTable;
    std::string fileTable;
    int64_t headerEnd = 0;        // bytes before the data area
    int64_t dataBytes = 0;        // bytes from the end of the header to the end of the file
    RunNames::RunADigest runA{};  // 0.2.0: names the file table's and files' runs
    crypto::Digest256 ha{};       // format 1: the digest that labels the file units
    crypto::Digest256 hb{};       // format 1: the digest of the whole plain header
    std::string stored;           // format 1: the box's bytes before the data area, as stored
};

// Reads the header of box from its first byte with password. Version bytes 1 and 2 are read as
// format 1 first and, when that header is not sound, as a box of 0.2.0 (named stream runs);
// any other first byte as a legacy box. Returns nothing for a file that is not a box, a wrong
// password, or a header that fails IsSound; otherwise keys holds what the box's contents are
// deciphered with.
[[nodiscard]] std::optional<RawHeader> ReadHeader(InputFile& box, const std::string& password,
                                                  Keyring& keys);

// The strict check: lengths within the file, a folder table of 0x00-terminated, distinct, safe
// entries, file records that fill the file table exactly, folder numbers within the table,
// safe non-empty file names, and (older boxes) stored sizes that add up to at most a long
// field. A wrong password passes it by chance about once in 2^64 tries (D and F decipher to
// arbitrary values that must both land in a small valid range, then both tables must parse), or
// once in 2^32 for a legacy box, whose lengths are stored in the clear. Whether the data area
// holds the stored sizes is not checked: a box cut short or with bytes appended is damaged, not
// unreadable, and its whole files can still be taken out.
[[nodiscard]] bool IsSound(const RawHeader& header);

// The folder-table entries without their terminators (the final empty piece is not an entry),
// or nothing when the table does not end in a terminator.
[[nodiscard]] std::optional<std::vector<std::string>> SplitFolderTable(std::string_view table);

// The file records without their length bytes (or separators in the legacy layout), or nothing
// when they do not fill the table exactly with records of a usable length.
[[nodiscard]] std::optional<std::vector<std::string>> SplitRecords(std::string_view table,
                                                                   uint8_t version);

// The fields of one record (without its length byte); nothing when the record is too short to
// hold them or a size does not fit a long field.
[[nodiscard]] std::optional<FileRecord> DecodeRecord(std::string_view record, uint8_t version);

}  // namespace vko::HeaderCheck
