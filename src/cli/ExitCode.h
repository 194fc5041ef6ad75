// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace vko::cli {

// What vkx tells the shell.
enum class ExitCode : int {
    kDone = 0,
    kBadHeader = 1,   // not a box, "Password incorrect or header damaged"
    kUsage = 2,       // bad arguments, no password to be had
    kCancelled = 3,   // Ctrl-C (or SIGTERM/SIGHUP); nothing half-written is left in place
    kFileSystem = 4,  // a file-system error; the message names the path
    kDoneInPart = 5,  // done, except for the files named on stderr: left out of a box or
                      // stored changed (create), missing, cut or damaged in the box or a box
                      // that is not sealed (list, extract, verify, mount), or not extracted:
                      // already there, refused, or not writable
    kTooMuch = 6,     // create: files in more than 65,535 folders; nothing was written
    kNoFuse = 7       // mount: this machine cannot mount a folder view (no usable FUSE)
};

// What each exit code means, as --help and the manual page put it.
struct ExitCodeMeaning {
    ExitCode code;
    const char* meaning;
};
inline constexpr ExitCodeMeaning kExitCodeMeanings[] = {
    {ExitCode::kDone, "done"},
    {ExitCode::kBadHeader,
     "not a box, or password incorrect or header damaged"},
    {ExitCode::kUsage, "usage: bad arguments, or no password to be had"},
    {ExitCode::kCancelled, "cancelled; nothing half-written is left in place"},
    {ExitCode::kFileSystem, "a file-system error; the message names the path"},
    {ExitCode::kDoneInPart,
     "done in part: the files named on stderr were left out or stored changed (create), are "
     "missing, cut or damaged in the box, or the box is not sealed (list, extract, verify, "
     "mount), or were not extracted: damaged, already there (kept), below a link, or not "
     "writable (extract)"},
    {ExitCode::kTooMuch,
     "too much for one box (create): files in more than 65,535 folders; nothing was written"},
    {ExitCode::kNoFuse, "mount: this machine has no usable FUSE; nothing was mounted"},
};

// Ends a command early with an exit code and, unless it is empty, a message for stderr.
class CommandError : public std::runtime_error {
public:
    CommandError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}

    [[nodiscard]] ExitCode Code() const noexcept { return code_; }

private:
    ExitCode code_;
};

[[nodiscard]] inline CommandError UsageError(const std::string& message) {
    return {ExitCode::kUsage, message};
}

[[nodiscard]] inline CommandError Cancelled() {
    return {ExitCode::kCancelled, "cancelled"};
}

}  // namespace vko::cli
