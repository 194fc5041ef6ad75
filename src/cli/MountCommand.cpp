// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/MountCommand.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "cli/BoxListing.h"
#include "cli/CancelSignal.h"
#include "cli/PasswordSource.h"
#include "cli/TerminalHost.h"
#include "mount/FolderView.h"
#include "mount/MountPoint.h"
#include "mount/OpenBoxSource.h"

namespace vko::cli {

namespace {

using mount::FolderView;
using mount::MountError;

// The parent of a --background run hears 'M' once the folder is there; anything else (the pipe
// closed) means the child failed and said why on the shared stderr.
constexpr char kMounted = 'M';

std::atomic<bool> anyDamaged{false};
bool toSyslog = false;

void NameDamaged(const std::string& path, const std::string& why) {
    anyDamaged = true;
    const std::string text = path + ": " + why;
    if (toSyslog)
        syslog(LOG_WARNING, "%s", text.c_str());
    else
        std::fprintf(stderr, "vkx: %s\n", text.c_str());
}

// Leaves the terminal: a new session, standard streams on /dev/null, the root as working
// folder (so that the process holds no folder busy).
void Detach() {
    setsid();
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(null, fd);
        if (null > STDERR_FILENO) close(null);
    }
    if (chdir("/") != 0) {
    }
    toSyslog = true;
    openlog("vkx", LOG_PID, LOG_USER);
}

// Serves until the view ends: unmounted from outside, or after the first signal; a second
// signal ends it even while programs still hold files in it.
void ServeUntilUnmounted(FolderView& view) {
    int handled = 0;
    while (!view.WaitEnded(std::chrono::milliseconds(100))) {
        const int signals = CancelSignal::Count();
        if (signals == handled) continue;
        if (handled++ > 0) break;
        const auto holders = mount::MountPoint::Holders(view.Folder());
        view.Unmount();
        if (holders.empty() || view.WaitEnded(std::chrono::milliseconds(500))) break;
        std::string names;
        for (const auto& holder : holders) names += (names.empty() ? "" : ", ") + holder;
        std::fprintf(stderr,
                     "vkx: %s is unmounted; files there are still open in %s, which can read "
                     "them until it closes them. Ctrl-C again ends that now.\n",
                     view.Folder().c_str(), names.c_str());
        handled = signals;
    }
    view.Stop();
}

// The box opened with the password, which is wiped once the source holds what it needs.
std::unique_ptr<mount::MountSource> OpenBox(const MountOptions& options) {
    Password password = ReadPassword(options.passwordFile, PasswordUse::kOpen);
    if (CancelSignal::Raised()) throw Cancelled();
    auto source = mount::OpenBoxSource(options.box, password.Text());
    if (!source) {
        ReportBadHeader(TerminalHost());
        throw CommandError(ExitCode::kBadHeader, "");
    }
    return source;
}

ExitCode Mount(const MountOptions& options, const std::string& folder, int reportTo) {
    auto source = OpenBox(options);
    FolderView::Options viewOptions;
    viewOptions.box = options.box;
    viewOptions.cap = uint64_t{options.memoryMiB} << 20;
    viewOptions.damaged = NameDamaged;
    std::unique_ptr<FolderView> view;
    try {
        view = FolderView::Mount(std::move(source), folder, viewOptions);
    } catch (const MountError& e) {
        throw CommandError(e.WhatKind() == MountError::Kind::kNoFuse ? ExitCode::kNoFuse
                                                                     : ExitCode::kFileSystem,
                           e.what());
    }
    for (const auto& file : view->LeftOutFiles()) NameDamaged(file.path, file.reason);
    std::printf("Mounted %s on %s (read-only). Ctrl-C or fusermount3 -u %s closes it.\n",
                options.box.c_str(), folder.c_str(), folder.c_str());
    std::fflush(stdout);
    if (reportTo >= 0) {
        if (write(reportTo, &kMounted, 1) != 1) {
        }
        close(reportTo);
        Detach();
    }
    ServeUntilUnmounted(*view);
    return anyDamaged ? ExitCode::kDoneInPart : ExitCode::kDone;
}

// The parent of a --background run: the child's word, or its exit code when it failed.
[[noreturn]] void AwaitChild(pid_t child, int pipe) {
    char word = 0;
    ssize_t got = 0;
    while ((got = read(pipe, &word, 1)) < 0 && errno == EINTR) {
    }
    if (got == 1 && word == kMounted) _exit(0);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : static_cast<int>(ExitCode::kCancelled));
}

}  // namespace

ExitCode RunMount(const MountOptions& options) {
    RequireReadableBox(options.box);
    // Everything that can be told before the password is asked.
    if (auto why = mount::MountPoint::FuseMissing()) throw CommandError(ExitCode::kNoFuse, *why);
    if (auto why = mount::MountPoint::Refusal(options.folder))
        throw CommandError(ExitCode::kFileSystem, *why);
    std::error_code error;
    const std::string folder = std::filesystem::absolute(options.folder, error).string();
    if (!options.background) return Mount(options, folder, -1);

    // The child does all the work, so that no key or plain byte is ever copied by a fork.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw CommandError(ExitCode::kFileSystem, "no pipe");
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) throw CommandError(ExitCode::kFileSystem, "the view cannot be started");
    if (child > 0) {
        close(fds[1]);
        AwaitChild(child, fds[0]);
    }
    close(fds[0]);
    return Mount(options, folder, fds[1]);
}

}  // namespace vko::cli
