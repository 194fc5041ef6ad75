// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

namespace vko {

// A path of any length as the system calls can take it: a folder descriptor and a rest shorter
// than the system's path limit. A short path stays as it is, relative to the current folder; a
// longer one is walked folder by folder from its start, a few thousand bytes at a time, so that
// a tree deeper than the limit can still be read.
class LongPath {
public:
    // A failure on the way leaves Folder() at -1 and errno in Error().
    explicit LongPath(const std::string& path);
    ~LongPath();
    LongPath(const LongPath&) = delete;
    LongPath& operator=(const LongPath&) = delete;

    [[nodiscard]] int Folder() const noexcept { return folder_; }
    [[nodiscard]] const char* Rest() const noexcept { return rest_.c_str(); }
    [[nodiscard]] int Error() const noexcept { return error_; }

    // open(2) and stat(2) (links followed) on the path; -1 with errno as those do.
    [[nodiscard]] static int Open(const std::string& path, int flags);
    [[nodiscard]] static int Stat(const std::string& path, struct stat& status);

private:
    int folder_ = AT_FDCWD;
    std::string rest_;
    int error_ = 0;
};

}  // namespace vko
