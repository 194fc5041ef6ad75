#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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
    const std::string middle =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
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

bool ProcessRuns(pid_t pid) {
    return kill(pid, 0) == 0 || errno != ESRCH;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target)
    : AtomicFile(FolderHandle::Open(GetPathPart(target)), GetFilePart(target)) {}

AtomicFile::AtomicFile(std::shared_ptr<const FolderHandle> folder, const std::string& name)
    : folder_(std::move(folder)), name_(name), target_(folder_->Path() + name) {
    tempName_ = TempPrefix(name) + std::to_string(OwnPid()) + "." +
                std::to_string(tempCounter.fetch_add(1)) + kTempSuffix;
    tempPath_ = folder_->Path() + tempName_;
    const int descriptor = openat(folder_->Descriptor(), tempName_.c_str(),
                                  O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) throw FailureFromErrno(errno, tempPath_);
    out_ = std::make_unique<OutputFile>(descriptor, tempPath_);
}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Commit(Durability durability) {
    KeepOwnership();
    if (durability == Durability::kDurable) out_->Sync();
    out_->Close();
    const int folder = folder_->Descriptor();
    if (renameat(folder, tempName_.c_str(), folder, name_.c_str()) != 0) {
        const int error = errno;
        Discard();
        throw FailureFromErrno(error, target_);
    }
    done_ = true;
}

// A box set to 0600, or a script set to 0755, keeps that when it is replaced. The owner can be
// given back only by root (or within the user's own groups); where it cannot, set-id bits are
// dropped rather than handed to a file of another owner.
void AtomicFile::KeepOwnership() {
    struct stat old {};
    if (fstatat(folder_->Descriptor(), name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(old.st_mode))
        return;
    const int descriptor = out_->Descriptor();
    struct stat made {};
    if (descriptor < 0 || fstat(descriptor, &made) != 0) return;
    mode_t mode = old.st_mode & 07777;
    const bool sameOwner = (made.st_uid == old.st_uid && made.st_gid == old.st_gid) ||
                           fchown(descriptor, old.st_uid, old.st_gid) == 0;
    if (!sameOwner) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    static_cast<void>(fchmod(descriptor, mode));
}

void AtomicFile::Discard() noexcept {
    if (done_) return;
    done_ = true;
    try {
        out_->Close();
    } catch (...) {
        // The file is being thrown away; a failed close changes nothing.
    }
    folder_->Remove(tempName_);
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
