#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/CCipher.h"
#include "engine/CCipherBlock.h"
#include "engine/RunNames.h"
#include "util/File.h"

// Reading a box header and deciding whether it can be trusted. A header that deciphered with
// the wrong password, or that was damaged or forged, is refused here before anything is
// allocated beyond the file's size or written anywhere.
namespace vko::HeaderCheck {

// The deciphered header of a box, as stored.
struct RawHeader {
    uint8_t version = 0;
    std::string name;
    std::string folderTable;
    std::string fileTable;
    int64_t headerEnd = 0;        // bytes before the data area
    int64_t dataBytes = 0;        // bytes from the end of the header to the end of the file
    RunNames::RunADigest runA{};  // versions 1 and 2: names the file table's and files' runs
};

// Reads the header of box from its first byte, deciphering with cipher, which the caller has
// keyed with password. The version byte chooses the layout: a version 1 or 2 header is read
// in its two named runs, a legacy one in the caller's unnamed run. Returns nothing for a file
// that is not a box, a wrong password, or a header that fails IsSound; the read position is
// then unspecified. On success the box is positioned at its first data byte and the cipher
// keyed afresh with password (every file then starts a run of its own).
[[nodiscard]] std::optional<RawHeader> ReadHeader(InputFile& box, CCipher& cipher,
                                                  const std::string& password);

// The strict check: lengths within the file, a folder table of 0x00-terminated, distinct, safe
// entries, file records that fill the file table exactly, folder numbers within the table,
// safe non-empty file names, and stored sizes that add up to at most a long field. A wrong
// password passes it by chance about once in 2^64 tries (D and F decipher to arbitrary values
// that must both land in a small valid range, then both tables must parse), or once in 2^32 for
// a legacy box, whose lengths are stored in the clear. Whether the data area holds the stored
// sizes is not checked: a box cut short or with bytes appended is damaged, not unreadable, and
// its whole files can still be taken out.
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
