// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/FolderHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/Failure.h"
#include "util/PathParts.h"

namespace vko {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// Folders made for what comes out of a box are private: the format keeps no modes.
constexpr mode_t kPrivateFolder = 0700;

bool IsLink(int folder, const std::string& name) {
    struct stat status {};
    return fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(status.st_mode);
}

}  // namespace

FolderHandle::FolderHandle(int descriptor, std::string path)
    : descriptor_(descriptor), path_(path.empty() ? path : AddBackslash(path)) {}

FolderHandle::~FolderHandle() {
    close(descriptor_);
}

std::shared_ptr<const FolderHandle> FolderHandle::Open(const std::string& path) {
    const int descriptor = open(path.empty() ? "." : path.c_str(), kFolderFlags);
    if (descriptor < 0) throw FailureFromErrno(errno, path);
    return std::shared_ptr<const FolderHandle>(new FolderHandle(descriptor, path));
}

// Each folder along the path in turn, the path itself last.
std::shared_ptr<const FolderHandle> FolderHandle::Make(const std::string& path) {
    for (size_t end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != kPathSeparator) continue;
        const std::string folder = path.substr(0, end);
        struct stat status {};
        if (stat(folder.c_str(), &status) == 0) continue;
        if (mkdir(folder.c_str(), kPrivateFolder) != 0 && errno != EEXIST)
            throw FailureFromErrno(errno, folder);
    }
    return Open(path);
}

std::shared_ptr<const FolderHandle> FolderHandle::Enter(const std::string& name,
                                                        bool* made) const {
    const bool fresh = mkdirat(descriptor_, name.c_str(), kPrivateFolder) == 0;
    if (!fresh && errno != EEXIST) throw FailureFromErrno(errno, path_ + name);
    if (made) *made = fresh;
    const int descriptor = openat(descriptor_, name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (descriptor >= 0)
        return std::shared_ptr<const FolderHandle>(new FolderHandle(descriptor, path_ + name));
    const int error = errno;
    // A link is refused with ELOOP, or with ENOTDIR when a folder was asked for.
    if (error == ELOOP || (error == ENOTDIR && IsLink(descriptor_, name))) return nullptr;
    throw FailureFromErrno(error, path_ + name);
}

std::shared_ptr<const FolderHandle> FolderHandle::Find(const std::string& name) const {
    const int descriptor = openat(descriptor_, name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (descriptor < 0) return nullptr;
    return std::shared_ptr<const FolderHandle>(new FolderHandle(descriptor, path_ + name));
}

bool FolderHandle::Holds(const std::string& name) const noexcept {
    struct stat status {};
    return fstatat(descriptor_, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

void FolderHandle::Remove(const std::string& name) const noexcept {
    static_cast<void>(unlinkat(descriptor_, name.c_str(), 0));
}

}  // namespace vko
