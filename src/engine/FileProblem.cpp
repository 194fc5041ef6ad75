// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FileProblem.h"

#include <cerrno>
#include <cstring>

namespace vko {

namespace {

std::string Grouped(int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (auto at = static_cast<int64_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, ',');
    return value < 0 ? "-" + digits : digits;
}

// why without a trailing ": " + path.
std::string WithoutPath(const std::string& why, const std::string& path) {
    const std::string suffix = ": " + path;
    const bool namesPath = why.size() > suffix.size() && why.ends_with(suffix);
    return namesPath ? why.substr(0, why.size() - suffix.size()) : why;
}

}  // namespace

std::string HiddenText(const HiddenCount& hidden) {
    const auto count = [](int64_t n, const char* what) {
        return Grouped(n) + " hidden " + what + (n == 1 ? "" : "s");
    };
    if (hidden.files > 0 && hidden.folders > 0)
        return count(hidden.files, "file") + " and " + count(hidden.folders, "folder");
    if (hidden.files > 0) return count(hidden.files, "file");
    return hidden.folders > 0 ? count(hidden.folders, "folder") : std::string();
}

std::string ByteCountText(int64_t bytes) {
    return Grouped(bytes) + (bytes == 1 ? " byte" : " bytes");
}

namespace ProblemReason {

std::string Unreadable(const std::string& why, const std::string& path) {
    return "could not be read: " + WithoutPath(why, path);
}

std::string FolderUnreadable(const std::string& why) {
    return "could not be read: " + why + "; nothing in it is in the box";
}

std::string LinkBroken(int error) {
    switch (error) {
        case ENOENT:
            return "a symbolic link to nothing: its target does not exist";
        case ELOOP:
            return "a symbolic link that loops back on itself";
        case EACCES:
            return "a symbolic link into a folder that cannot be read";
        default:
            return std::string("a symbolic link that cannot be followed: ") + std::strerror(error);
    }
}

namespace {

std::string NotStorable(const std::string& what, bool folder) {
    return "its name " + what + ", which a box cannot store" +
           (folder ? "; nothing in it is in the box" : "");
}

}  // namespace

std::string BackslashInName(bool folder) {
    return NotStorable("holds a backslash", folder);
}

std::string DriveInName(bool folder) {
    return NotStorable("begins with a drive letter and a colon", folder);
}

std::string NameTooLong(size_t length, size_t limit) {
    return "its name is " + std::to_string(length) +
           " bytes long; this box stores file names of at most " + std::to_string(limit) + " bytes";
}

std::string FileTooLarge(int64_t size) {
    return "holds " + ByteCountText(size) + "; a box stores files of less than 2 GiB";
}

std::string SameInLowerCase(const std::string& other) {
    return "would be extracted over " + other + ", because a box stores folder names in lower case";
}

std::string MeetsFolder() {
    return "would be extracted where a folder of the same name goes, because a box stores "
           "folder names in lower case";
}

std::string ChangedSize(int64_t stored) {
    return "changed size while it was boxed: " + ByteCountText(stored) +
           (stored == 1 ? " was stored" : " were stored");
}

std::string NotCompressed(const std::string& why) {
    return "Error compressing: " + why;
}

std::string StreamTooLarge() {
    return "its compressed contents would take 2 GiB or more; a box stores files of less than 2 "
           "GiB";
}

std::string Unsealed(const std::string& why) {
    return "damaged box: " + why + "; no file in it counts as verified";
}

std::string NotVerified(bool noTag, Unverified fate) {
    return std::string(noTag ? "damaged: the box's seal holds no tag for it"
                             : "damaged: its contents do not match their tag") +
           (fate == Unverified::kKept      ? "; extracted as they are, as asked"
            : fate == Unverified::kDropped ? "; not extracted"
                                           : "");
}

std::string NoSeal(const char* format) {
    return std::string("a box of format ") + format + " carries no seal: nothing in it can be "
           "verified";
}

std::string Missing() {
    return "missing: the box ends before its contents";
}

std::string CutShort(int64_t present, int64_t stored) {
    return "cut short: the box ends after " + Grouped(present) + " of its " + ByteCountText(stored);
}

std::string TrailingBytes(int64_t extra) {
    return ByteCountText(extra) + (extra == 1 ? " follows" : " follow") +
           " the last file's contents: the box is damaged or was joined to another file";
}

std::string ThroughLink(const std::string& link) {
    return "not extracted: its folder is a symbolic link (" + link + ")";
}

std::string FolderNotMade(const std::string& why) {
    return "not extracted: its folder could not be made (" + why + ")";
}

std::string Exists() {
    return "exists, kept";
}

std::string Unwritable(const std::string& why, const std::string& path) {
    return "could not be written: " + WithoutPath(why, path);
}

std::string Duplicate() {
    return "damaged: the box holds this path twice; only its first file is taken";
}

std::string FolderClash() {
    return "damaged: the box holds a folder of this path";
}

std::string NothingStored(int64_t size) {
    return "damaged: none of its " + ByteCountText(size) + (size == 1 ? " is" : " are") +
           " stored (its compression failed when the box was made)";
}

std::string NotExpanded(const std::string& why, const std::string& kept,
                        const std::string& keepFailure) {
    return "damaged: its stored contents do not expand (" + why + "); " +
           (kept.empty() ? "they could not be kept: " + keepFailure : "they were kept as " + kept);
}

}  // namespace ProblemReason

}  // namespace vko
