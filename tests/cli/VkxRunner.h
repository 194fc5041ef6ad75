#pragma once

#include <sys/types.h>

#include <optional>
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
};

struct VkxResult {
    int exitCode = -1;  // 128 + signal number when killed by a signal
    std::string out;
    std::string err;
};

// A running vkx, for tests that signal it midway.
class VkxProcess {
public:
    explicit VkxProcess(const VkxCall& call);
    ~VkxProcess();
    VkxProcess(const VkxProcess&) = delete;
    VkxProcess& operator=(const VkxProcess&) = delete;

    void Signal(int number) const;
    [[nodiscard]] pid_t Pid() const noexcept { return pid_; }
    [[nodiscard]] bool Running() const;
    VkxResult Wait();

private:
    TempDir scratch_;  // standard input, output and error of the run
    pid_t pid_ = -1;
    std::string inPath_;
    std::string outPath_;
    std::string errPath_;
    bool waited_ = false;
};

[[nodiscard]] VkxResult RunVkx(const VkxCall& call);

}  // namespace vko::test
