// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace vko::test {

// One run of the vkx program. It always starts in a new session, so it has no controlling
// terminal: a run that would prompt fails instead of waiting for a keyboard.
struct VkxCall {
    std::vector<std::string> args;
    std::string cwd;                      // empty: the test's current folder
    std::optional<std::string> password;  // VKX_PASSWORD; unset when empty
    std::string input;                    // standard input
    std::string stdoutTo = {};            // empty: captured; "-": closed; else a path
};

struct VkxResult {
    int exitCode = -1;  // 128 + signal number when killed by a signal
    std::string out;
    std::string err;
};

namespace detail {

inline void RedirectOrDie(const std::string& path, int flags, int target) {
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0 || dup2(fd, target) < 0) _exit(127);
    ::close(fd);
}

[[noreturn]] inline void ExecChild(const VkxCall& call, const std::string& in,
                                   const std::string& out, const std::string& err) {
    setsid();
    if (!call.cwd.empty() && chdir(call.cwd.c_str()) != 0) _exit(127);
    RedirectOrDie(in, O_RDONLY, STDIN_FILENO);
    if (call.stdoutTo == "-")
        ::close(STDOUT_FILENO);
    else
        RedirectOrDie(call.stdoutTo.empty() ? out : call.stdoutTo, O_WRONLY | O_CREAT | O_TRUNC,
                      STDOUT_FILENO);
    RedirectOrDie(err, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
    if (call.password)
        setenv("VKX_PASSWORD", call.password->c_str(), 1);
    else
        unsetenv("VKX_PASSWORD");
    std::vector<char*> argv{const_cast<char*>(VKX_PATH)};
    for (const auto& arg : call.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(VKX_PATH, argv.data());
    _exit(127);
}

}  // namespace detail

// A running vkx, for tests that signal it midway.
class VkxProcess {
public:
    explicit VkxProcess(const VkxCall& call) {
        WriteFile(scratch_ / "in", call.input);
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) detail::ExecChild(call, scratch_ / "in", scratch_ / "out", scratch_ / "err");
    }
    ~VkxProcess() {
        if (waited_) return;
        Signal(SIGKILL);
        Wait();
    }
    VkxProcess(const VkxProcess&) = delete;
    VkxProcess& operator=(const VkxProcess&) = delete;

    void Signal(int number) const { kill(pid_, number); }
    [[nodiscard]] pid_t Pid() const noexcept { return pid_; }
    [[nodiscard]] bool Running() const {
        siginfo_t info{};
        return !waited_ &&
               waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }
    VkxResult Wait() {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        waited_ = true;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                std::filesystem::exists(scratch_ / "out") ? ReadFile(scratch_ / "out") : "",
                ReadFile(scratch_ / "err")};
    }

private:
    TempDir scratch_;  // standard input, output and error of the run
    pid_t pid_ = -1;
    bool waited_ = false;
};

[[nodiscard]] inline VkxResult RunVkx(const VkxCall& call) {
    return VkxProcess(call).Wait();
}

}  // namespace vko::test
