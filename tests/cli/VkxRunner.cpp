#include "cli/VkxRunner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

#include "support/TestFiles.h"

namespace vko::test {

namespace {

void RedirectOrDie(const std::string& path, int flags, int target) {
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0 || dup2(fd, target) < 0) _exit(127);
    ::close(fd);
}

[[noreturn]] void ExecChild(const VkxCall& call, const std::string& in, const std::string& out,
                            const std::string& err) {
    setsid();
    if (!call.cwd.empty() && chdir(call.cwd.c_str()) != 0) _exit(127);
    RedirectOrDie(in, O_RDONLY, STDIN_FILENO);
    RedirectOrDie(out, O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
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

}  // namespace

VkxProcess::VkxProcess(const VkxCall& call)
    : inPath_(scratch_ / "in"), outPath_(scratch_ / "out"), errPath_(scratch_ / "err") {
    WriteFile(inPath_, call.input);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) ExecChild(call, inPath_, outPath_, errPath_);
}

VkxProcess::~VkxProcess() {
    if (!waited_) {
        Signal(SIGKILL);
        Wait();
    }
}

void VkxProcess::Signal(int number) const {
    kill(pid_, number);
}

bool VkxProcess::Running() const {
    if (waited_) return false;
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

VkxResult VkxProcess::Wait() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    waited_ = true;
    VkxResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(outPath_);
    result.err = ReadFile(errPath_);
    return result;
}

VkxResult RunVkx(const VkxCall& call) {
    return VkxProcess(call).Wait();
}

}  // namespace vko::test
