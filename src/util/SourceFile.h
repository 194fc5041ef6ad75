// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/FolderCache.h"

namespace vko {

// A file read into a box. It is opened without blocking and without being inherited by child
// processes, and read only when the open descriptor is a regular file: a pipe or a device put
// in a file's place is refused at once instead of holding the program in open or read for
// ever. Paths of any length (see LongPath). Failures throw a Failure naming the path, and pass
// through the FileFaults seam like every other read.
class SourceFile {
public:
    // Why a file that is not a regular file is not read.
    static constexpr const char* kNotRegular = "Not a regular file (a pipe, a device or a socket)";
    // What Measure returns for such a file.
    static constexpr int kNotRegularError = -1;

    // Opened relative to the folder folders holds, which it changes to path's (see FolderCache).
    SourceFile(const std::string& path, FolderCache& folders);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    [[nodiscard]] int64_t Length() const noexcept { return length_; }
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }
    // Reads up to count bytes; fewer only at the end of the file.
    [[nodiscard]] size_t Read(char* buffer, size_t count);
    // Reads up to count bytes from position, leaving the file position alone, so that parts of
    // one file are read apart; fewer only at the end of the file.
    [[nodiscard]] size_t ReadAt(int64_t position, char* buffer, size_t count);

    // The size of the file at path (links followed) if it is a regular file this process may
    // open for reading: 0 and size set; otherwise the errno value that says why not, or
    // kNotRegularError. One stat in the common case; the open may still fail later. Looked up
    // through folders as the constructor does.
    [[nodiscard]] static int Measure(const std::string& path, int64_t& size,
                                     FolderCache& folders);

private:
    std::string path_;
    int descriptor_ = -1;
    int64_t length_ = 0;
};

// Test seam beside the one in File.h: opening path as a source waits until Reset(), the way an
// open on a hung network or FUSE mount does.
namespace FileFaults {
void HoldOpening(const std::string& path);
}  // namespace FileFaults

}  // namespace vko
