#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "util/Failure.h"
#include "util/File.h"
#include "util/PathParts.h"

namespace fs = std::filesystem;

namespace vko {

namespace {

// Long names are cut so that the temporary name stays within the file system's 255 bytes.
constexpr size_t kMaxBaseInTempName = 200;

std::atomic<unsigned> tempCounter{0};

// ".<name>." — every temporary of one target starts with this.
std::string TempPrefix(const std::string& target) {
    return "." + GetFilePart(target).substr(0, kMaxBaseInTempName) + ".";
}

// The pid in "<prefix><pid>.<n><suffix>", or 0 when the name is not one of ours.
pid_t OwnerOf(const std::string& name, const std::string& prefix) {
    const std::string suffix = AtomicFile::kTempSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const auto dot = middle.find('.');
    if (dot == std::string::npos || dot == 0) return 0;
    pid_t pid = 0;
    for (size_t i = 0; i < dot; ++i) {
        if (middle[i] < '0' || middle[i] > '9' || pid > 100000000) return 0;
        pid = pid * 10 + (middle[i] - '0');
    }
    return pid;
}

// Asked once: the call is a system call, and extraction makes one temporary name per file.
pid_t OwnPid() {
    static const pid_t pid = getpid();
    return pid;
}

bool ProcessRuns(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    tempPath_ = GetPathPart(target) + TempPrefix(target) + std::to_string(OwnPid()) + "." +
                std::to_string(tempCounter.fetch_add(1)) + kTempSuffix;
    out_ = std::make_unique<OutputFile>(tempPath_);
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Commit(Durability durability) {
    if (durability == Durability::kDurable) out_->Sync();
    out_->Close();
    std::error_code error;
    fs::rename(tempPath_, target_, error);
    if (error) {
        Discard();
        throw FailureFromErrno(error.value(), target_);
    }
    done_ = true;
}

void AtomicFile::Discard() noexcept {
    if (done_) return;
    done_ = true;
    try {
        out_->Close();
    } catch (...) {
        // The file is being thrown away; a failed close changes nothing.
    }
    std::error_code ignored;
    fs::remove(tempPath_, ignored);
}

void AtomicFile::RemoveStaleTemps(const std::string& target) noexcept {
    const std::string folder = GetPathPart(target);
    const std::string prefix = TempPrefix(target);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
        const pid_t owner = OwnerOf(entry.path().filename().string(), prefix);
        if (owner > 0 && owner != OwnPid() && !ProcessRuns(owner)) fs::remove(entry.path(), error);
    }
}

}  // namespace vko
