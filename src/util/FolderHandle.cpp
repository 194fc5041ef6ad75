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

std::shared_ptr<const FolderHandle> FolderHandle::Enter(const std::string& name) const {
    if (mkdirat(descriptor_, name.c_str(), 0777) != 0 && errno != EEXIST)
        throw FailureFromErrno(errno, path_ + name);
    const int descriptor = openat(descriptor_, name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (descriptor >= 0)
        return std::shared_ptr<const FolderHandle>(new FolderHandle(descriptor, path_ + name));
    const int error = errno;
    // A link is refused with ELOOP, or with ENOTDIR when a folder was asked for.
    if (error == ELOOP || (error == ENOTDIR && IsLink(descriptor_, name))) return nullptr;
    throw FailureFromErrno(error, path_ + name);
}

void FolderHandle::Remove(const std::string& name) const noexcept {
    static_cast<void>(unlinkat(descriptor_, name.c_str(), 0));
}

}  // namespace vko
