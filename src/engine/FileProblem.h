// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vko {

// A file an operation could not treat as asked, and why. An operation that returns its "done"
// result with problems did its work in part: every file not named is as it should be.
struct FileProblem {
    std::string path;    // the source when creating; the target, or the box entry, when reading
    std::string reason;  // what happened, in words a user can act on

    bool operator==(const FileProblem&) const = default;
};

// What a folder scan left out for their names beginning with ".": hidden files (links to files
// included) and hidden folders, each folder counted once whatever it holds.
struct HiddenCount {
    int64_t files = 0;
    int64_t folders = 0;

    HiddenCount& operator+=(const HiddenCount& other) noexcept {
        files += other.files;
        folders += other.folders;
        return *this;
    }
    bool operator==(const HiddenCount&) const = default;
};

// The reasons the engine gives, one wording each.
namespace ProblemReason {

// "could not be read: Permission denied"; why may end in ": " + path, which is dropped.
[[nodiscard]] std::string Unreadable(const std::string& why, const std::string& path);
// "could not be read: Permission denied; nothing in it is in the box" (a folder)
[[nodiscard]] std::string FolderUnreadable(const std::string& why);
// "a symbolic link to nothing: its target does not exist", or that loops, or that leads into a
// folder that cannot be read, after the errno value following it gave
[[nodiscard]] std::string LinkBroken(int error);
// "its name holds a backslash, which a box cannot store" (plus "; nothing in it is in the box"
// for a folder)
[[nodiscard]] std::string BackslashInName(bool folder);
// "its name begins with a drive letter and a colon, which a box cannot store"
[[nodiscard]] std::string DriveInName(bool folder);
// "its name is 250 bytes long; this box stores file names of at most 249 bytes"
[[nodiscard]] std::string NameTooLong(size_t length, size_t limit);
// "holds 2,147,483,648 bytes; a box stores files of less than 2 GiB"
[[nodiscard]] std::string FileTooLarge(int64_t size);
// "its compressed contents would take 2 GiB or more; a box stores files of less than 2 GiB"
[[nodiscard]] std::string StreamTooLarge();
// "would be extracted over <other>, because a box stores folder names in lower case"
[[nodiscard]] std::string SameInLowerCase(const std::string& other);
// "would be extracted where a folder of the same name goes, because a box stores folder names in
// lower case"
[[nodiscard]] std::string MeetsFolder();
// "changed size while it was boxed: 4,096 bytes were stored"
[[nodiscard]] std::string ChangedSize(int64_t stored);
// "Error compressing: <why>"
[[nodiscard]] std::string NotCompressed(const std::string& why);
// "missing: the box ends before its contents"
[[nodiscard]] std::string Missing();
// "cut short: the box ends after 100 of its 4,096 bytes"
[[nodiscard]] std::string CutShort(int64_t present, int64_t stored);
// "17 bytes follow the last file's contents: the box is damaged or was joined to another file"
[[nodiscard]] std::string TrailingBytes(int64_t extra);
// "damaged box: its seal is cut short; no file in it counts as verified"
[[nodiscard]] std::string Unsealed(const std::string& why);
// What became of a file whose stored bytes do not match their tag.
enum class Unverified { kChecked, kDropped, kKept };
// "damaged: its contents do not match their tag" and "; not extracted" (kDropped) or "; extracted
// as they are, as asked" (kKept); noTag: "damaged: the box's seal holds no tag for it..."
[[nodiscard]] std::string NotVerified(bool noTag, Unverified fate);
// "format 0.2 carries no seal: nothing in it can be verified"
[[nodiscard]] std::string NoSeal(const char* format);
// "not extracted: its folder is a symbolic link (<link>)"
[[nodiscard]] std::string ThroughLink(const std::string& link);
// "not extracted: its folder could not be made (<why>)"
[[nodiscard]] std::string FolderNotMade(const std::string& why);
// "exists, kept"
[[nodiscard]] std::string Exists();
// "could not be written: No space left on device"; why may end in ": " + path, which is dropped.
[[nodiscard]] std::string Unwritable(const std::string& why, const std::string& path);
// "damaged: the box holds this path twice; only its first file is taken"
[[nodiscard]] std::string Duplicate();
// "damaged: the box holds a folder of this path"
[[nodiscard]] std::string FolderClash();
// "damaged: none of its 4,096 bytes is stored (its compression failed when the box was made)"
[[nodiscard]] std::string NothingStored(int64_t size);
// "damaged: its stored contents do not expand (<why>); they were kept as <kept>", or, when kept
// is empty, "...; they could not be kept: <keepFailure>"
[[nodiscard]] std::string NotExpanded(const std::string& why, const std::string& kept,
                                      const std::string& keepFailure);

}  // namespace ProblemReason

// "2 hidden files and 1 hidden folder"; empty when the count is nothing.
[[nodiscard]] std::string HiddenText(const HiddenCount& hidden);

// A byte count as people read it: "1 byte", "4,096 bytes".
[[nodiscard]] std::string ByteCountText(int64_t bytes);

}  // namespace vko
