// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vko {

// The folder of the file last asked for, held open. The files of one folder come one after the
// other when a tree is read in order, so each of them is measured and opened relative to it,
// instead of by its whole path, every name of which the kernel would look up again. Paths of
// any length (see LongPath).
class FolderCache {
public:
    FolderCache() = default;
    ~FolderCache();
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;

    // Where the file at path is: a folder descriptor for the *at system calls and the file's
    // name in it (pointing into path). The descriptor is -1, with errno set, when the folder
    // cannot be opened.
    struct Place {
        int folder;
        const char* name;
    };
    [[nodiscard]] Place Of(const std::string& path);

private:
    std::string folder_;  // the path of the folder held, its separator included
    int descriptor_ = -1;
};

}  // namespace vko
