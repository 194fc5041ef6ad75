// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "util/Failure.h"

namespace vko::cli::StandardStreams {

void Reserve() noexcept {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

void RequireWritten() {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && std::ferror(stdout) == 0) return;
    std::clearerr(stdout);
    // An earlier write failed and its reason is gone; the fact is enough to act on.
    if (flushed || error == 0)
        throw Failure(FailureNumber::kDeviceIo, "cannot write to standard output");
    throw FailureFromErrno(error, "standard output");
}

}  // namespace vko::cli::StandardStreams
