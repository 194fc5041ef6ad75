// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/MountPoint.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vko::mount::MountPoint {

namespace {

namespace fs = std::filesystem;

}  // namespace

bool IsMounted(const std::string& folder) {
    struct stat self {}, parent {};
    if (stat(folder.c_str(), &self) != 0) return false;
    if (stat((fs::path(folder) / "..").c_str(), &parent) != 0) return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

namespace {

// Mount points of the mount table (octal escapes undone), with their types.
std::vector<std::pair<std::string, std::string>> Mounts() {
    std::vector<std::pair<std::string, std::string>> mounts;
    std::ifstream table("/proc/self/mounts");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        fields >> device >> point >> type;
        std::string plain;
        for (size_t i = 0; i < point.size(); ++i) {
            if (point[i] == '\\' && i + 3 < point.size()) {
                plain += static_cast<char>(std::stoi(point.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                plain += point[i];
            }
        }
        mounts.emplace_back(plain, type);
    }
    return mounts;
}

bool RunFusermount(const std::string& folder) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execlp("fusermount3", "fusermount3", "-u", "-q", "-z", "--", folder.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::optional<std::string> Refusal(const std::string& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) return "The folder " + folder + " does not exist; make it first.";
    if (!fs::is_directory(status)) return folder + " is not a folder.";
    if (IsMounted(folder)) return "Something is already mounted on " + folder + ".";
    if (access(folder.c_str(), R_OK | X_OK) != 0)
        return "The folder " + folder + " cannot be entered: " + std::strerror(errno) + ".";
    if (!fs::is_empty(folder, error))
        return "The folder " + folder + " is not empty; a box is opened on an empty folder.";
    return std::nullopt;
}

std::optional<std::string> FuseMissing() {
    const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int why = errno;
        if (why == ENOENT || why == ENODEV || why == ENXIO)
            return "FUSE is not available on this machine: /dev/fuse is missing (load the fuse "
                   "module, or install the fuse3 package).";
        return std::string("FUSE cannot be used: /dev/fuse cannot be opened: ") +
               std::strerror(why) + ".";
    }
    close(fd);
    if (geteuid() == 0) return std::nullopt;
    for (const char* dir : {"/usr/bin/", "/bin/", "/usr/local/bin/", "/usr/sbin/", "/sbin/"})
        if (access((std::string(dir) + "fusermount3").c_str(), X_OK) == 0) return std::nullopt;
    return "FUSE cannot be used: fusermount3 is missing (install the fuse3 package).";
}

std::vector<std::string> Holders(const std::string& folder) {
    std::vector<std::string> holders;
    std::error_code error;
    std::string prefix = fs::weakly_canonical(folder, error).string();
    if (prefix.empty()) prefix = folder;
    const auto below = [&](const std::string& path) {
        return path == prefix || path.starts_with(prefix + "/");
    };
    const std::string self = std::to_string(getpid());
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        bool holds = false;
        std::error_code e;
        if (below(fs::read_symlink(process.path() / "cwd", e).string())) holds = true;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", e)) {
            std::error_code r;
            if (holds || below(fs::read_symlink(fd.path(), r).string())) {
                holds = true;
                break;
            }
        }
        if (!holds) continue;
        std::ifstream comm(process.path() / "comm");
        std::string name;
        std::getline(comm, name);
        holders.push_back((name.empty() ? "a program" : name) + " (pid " + pid + ")");
    }
    return holders;
}

bool Detach(const std::string& folder) {
    if (umount2(folder.c_str(), MNT_DETACH) == 0) return true;
    if (errno == EINVAL) return true;  // nothing is mounted there
    return RunFusermount(folder);      // a user who is not root goes through the helper
}

std::vector<std::string> CleanUpStale(const std::string& root) {
    std::vector<std::string> cleaned;
    const std::string type = std::string("fuse.") + kType;
    const fs::path folder = fs::path(root).lexically_normal() / "";
    for (const auto& [point, mountType] : Mounts()) {
        if (mountType != type || fs::path(point).parent_path() / "" != folder) continue;
        struct stat st {};
        // A view still served answers; one whose process is gone fails with ENOTCONN.
        if (stat(point.c_str(), &st) == 0 || errno != ENOTCONN) continue;
        if (!Detach(point)) continue;
        std::error_code error;
        fs::remove(point, error);
        cleaned.push_back(point);
    }
    return cleaned;
}

}  // namespace vko::mount::MountPoint
