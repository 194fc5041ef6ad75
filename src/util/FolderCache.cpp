// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/FolderCache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "util/LongPath.h"
#include "util/PathParts.h"

namespace vko {

FolderCache::~FolderCache() {
    if (descriptor_ >= 0) close(descriptor_);
}

FolderCache::Place FolderCache::Of(const std::string& path) {
    const size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string::npos) return {AT_FDCWD, path.c_str()};
    const std::string_view folder(path.data(), slash + 1);
    if (descriptor_ < 0 || folder != folder_) {
        if (descriptor_ >= 0) close(descriptor_);
        folder_.assign(folder);
        // O_PATH: only a place to start from, so a folder that may be searched but not listed
        // serves as it does in a whole path.
        descriptor_ = LongPath::Open(folder_, O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (descriptor_ < 0) {
            const int error = errno;
            folder_.clear();  // asked again next time
            errno = error;
        }
    }
    return {descriptor_, path.c_str() + slash + 1};
}

}  // namespace vko
