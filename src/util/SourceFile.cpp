// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/Failure.h"
#include "util/FileFaults.h"

namespace vko {

namespace {

int OpenWithoutBlocking(const std::string& path, FolderCache& folders) {
    FileFaults::WaitIfHeld(path);
    if (FileFaults::ReadingDenied(path)) throw FailureFromErrno(EACCES, path);
    const FolderCache::Place at = folders.Of(path);
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int descriptor = at.folder == -1 ? -1 : openat(at.folder, at.name, kFlags);
    if (descriptor < 0) throw FailureFromErrno(errno, path);
    return descriptor;
}

}  // namespace

SourceFile::SourceFile(const std::string& path, FolderCache& folders)
    : path_(path), descriptor_(OpenWithoutBlocking(path, folders)) {
    struct stat status {};
    int error = fstat(descriptor_, &status) == 0 ? 0 : errno;
    const bool regular = error == 0 && S_ISREG(status.st_mode);
    // Reads of a regular file go on as usual once it is known to be one.
    if (regular && fcntl(descriptor_, F_SETFL, 0) != 0) error = errno;
    if (error != 0 || !regular) {
        close(descriptor_);
        if (error != 0) throw FailureFromErrno(error, path);
        throw Failure(FailureNumber::kPathFileAccess, std::string(kNotRegular) + ": " + path);
    }
    length_ = static_cast<int64_t>(status.st_size);
}

SourceFile::~SourceFile() {
    close(descriptor_);
}

size_t SourceFile::Read(char* buffer, size_t count) {
    const size_t allowed = FileFaults::AllowRead(count);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t got = read(descriptor_, buffer + done, allowed - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FailureFromErrno(errno, path_);
        if (got == 0) return done;
        done += static_cast<size_t>(got);
    }
    if (allowed < count) throw FailureFromErrno(EIO, path_);
    return done;
}

size_t SourceFile::ReadAt(int64_t position, char* buffer, size_t count) {
    const size_t allowed = FileFaults::AllowRead(count);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t got = pread(descriptor_, buffer + done, allowed - done,
                                  static_cast<off_t>(position + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FailureFromErrno(errno, path_);
        if (got == 0) return done;
        done += static_cast<size_t>(got);
    }
    if (allowed < count) throw FailureFromErrno(EIO, path_);
    return done;
}

// The permission bits say yes for nearly every file; only when they seem to say no is the
// kernel asked, since access control lists and capabilities may still allow it.
int SourceFile::Measure(const std::string& path, int64_t& size, FolderCache& folders) {
    if (FileFaults::ReadingDenied(path)) return EACCES;
    const FolderCache::Place at = folders.Of(path);
    struct stat status {};
    if (at.folder == -1 || fstatat(at.folder, at.name, &status, 0) != 0) return errno;
    if (!S_ISREG(status.st_mode)) return kNotRegularError;
    size = static_cast<int64_t>(status.st_size);
    static const uid_t user = geteuid();  // asked once: it is a system call
    const bool readable =
        user == 0 || (status.st_uid == user
                          ? (status.st_mode & S_IRUSR) != 0
                          : (status.st_mode & S_IROTH) != 0 && (status.st_mode & S_IRGRP) != 0);
    if (readable) return 0;
    return faccessat(at.folder, at.name, R_OK, AT_EACCESS) == 0 ? 0 : errno;
}

}  // namespace vko
