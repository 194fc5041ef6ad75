// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/LongPath.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "util/PathParts.h"

namespace vko {

namespace {

// Well below PATH_MAX, so that every piece handed to the kernel fits with room to spare.
constexpr size_t kPiece = 2048;

}  // namespace

LongPath::LongPath(const std::string& path) {
    if (path.size() < PATH_MAX) {
        rest_ = path;
        return;
    }
    size_t at = 0;
    if (path.front() == kPathSeparator) {
        folder_ = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        at = 1;
    }
    // Each step enters as many whole folders as fit in a piece; a name is at most 255 bytes.
    while (folder_ != -1 && path.size() - at >= kPiece) {
        const size_t end = path.rfind(kPathSeparator, at + kPiece);
        if (end == std::string::npos || end <= at) {
            error_ = ENAMETOOLONG;
            break;
        }
        const std::string piece = path.substr(at, end - at);
        const int next = openat(folder_, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next == -1) error_ = errno;
        if (folder_ != AT_FDCWD) close(folder_);
        folder_ = next;
        at = end + 1;
    }
    if (folder_ == -1 && error_ == 0) error_ = errno;
    rest_ = path.substr(at);
}

LongPath::~LongPath() {
    if (folder_ >= 0) close(folder_);
}

int LongPath::Open(const std::string& path, int flags) {
    const LongPath at(path);
    if (at.Folder() == -1) return errno = at.Error(), -1;
    return openat(at.Folder(), at.Rest(), flags);
}

int LongPath::Stat(const std::string& path, struct stat& status) {
    const LongPath at(path);
    if (at.Folder() == -1) return errno = at.Error(), -1;
    return fstatat(at.Folder(), at.Rest(), &status, 0);
}

}  // namespace vko
