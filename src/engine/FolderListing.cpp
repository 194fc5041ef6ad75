// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/LongPath.h"

namespace vko {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

enum class Kind { kFile, kFolder, kSystem, kBroken };

Kind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return Kind::kFile;
    return S_ISDIR(mode) ? Kind::kFolder : Kind::kSystem;
}

// What a link leads to: a file, or something never entered (a folder, a pipe); kBroken with
// error set when it leads nowhere.
Kind Follow(int folder, const char* name, int& error) {
    struct stat status {};
    if (fstatat(folder, name, &status, 0) != 0) {
        error = errno;
        return Kind::kBroken;
    }
    return KindOfMode(status.st_mode) == Kind::kFile ? Kind::kFile : Kind::kSystem;
}

Kind Classify(int folder, const dirent& entry, int& error) {
    switch (entry.d_type) {
        case DT_REG:
            return Kind::kFile;
        case DT_DIR:
            return Kind::kFolder;
        case DT_LNK:
            return Follow(folder, entry.d_name, error);
        case DT_UNKNOWN:
            break;
        default:
            return Kind::kSystem;
    }
    struct stat status {};
    if (fstatat(folder, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
        return Kind::kBroken;
    }
    return S_ISLNK(status.st_mode) ? Follow(folder, entry.d_name, error)
                                   : KindOfMode(status.st_mode);
}

bool IsHidden(const char* name) {
    return name[0] == '.';
}

void Count(HiddenCount& hidden, Kind kind) {
    if (kind == Kind::kFile) ++hidden.files;
    if (kind == Kind::kFolder) ++hidden.folders;
}

}  // namespace

OpenFolder::OpenFolder(int descriptor)
    : descriptor_(descriptor), error_(descriptor < 0 ? errno : 0) {}

OpenFolder::~OpenFolder() {
    if (descriptor_ >= 0) close(descriptor_);
}

OpenFolder OpenFolder::At(const std::string& path) {
    return OpenFolder(LongPath::Open(path, kFolderFlags));
}

OpenFolder OpenFolder::Below(const std::string& name) const {
    return OpenFolder(openat(descriptor_, name.c_str(), kFolderFlags | O_NOFOLLOW));
}

FolderListing FolderListing::Of(const OpenFolder& folder, const std::string& path,
                                bool withHidden) {
    FolderListing listing;
    const int descriptor = dup(folder.Descriptor());  // the stream takes it over
    DIR* stream = descriptor < 0 ? nullptr : fdopendir(descriptor);
    if (!stream) {
        if (descriptor >= 0) close(descriptor);
        listing.problems.push_back({path, ProblemReason::FolderUnreadable(std::strerror(errno))});
        return listing;
    }
    while (true) {
        errno = 0;
        const dirent* entry = readdir(stream);
        if (!entry) break;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        int error = 0;
        const Kind kind = Classify(folder.Descriptor(), *entry, error);
        if (IsHidden(entry->d_name) && !withHidden) {
            Count(listing.hidden, kind);
        } else if (kind == Kind::kBroken) {
            listing.problems.push_back({path + entry->d_name, ProblemReason::LinkBroken(error)});
        } else if (kind != Kind::kSystem) {
            listing.entries.push_back({entry->d_name, kind == Kind::kFolder});
        }
    }
    if (errno != 0)
        listing.problems.push_back({path, ProblemReason::FolderUnreadable(std::strerror(errno))});
    closedir(stream);
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return listing;
}

}  // namespace vko
