// SPDX-License-Identifier: GPL-3.0-or-later
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "util/Failure.h"
#include "util/File.h"
#include "util/FileFaults.h"
#include "util/PathParts.h"

namespace vko {

namespace {

// Long names are cut so that the temporary name stays within the file system's 255 bytes.
constexpr size_t kMaxBaseInTempName = 200;
// As many links as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

std::atomic<unsigned> tempCounter{0};

// Asked once: the call is a system call, and extraction makes one temporary per file.
pid_t OwnPid() {
    static const pid_t pid = getpid();
    return pid;
}

bool ProcessRuns(pid_t pid) {
    return kill(pid, 0) == 0 || errno != ESRCH;
}

std::string TempName(const std::string& name) {
    return "." + name.substr(0, kMaxBaseInTempName) + "." + std::to_string(OwnPid()) + "." +
           std::to_string(tempCounter.fetch_add(1)) + AtomicFile::kTempSuffix;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The pid in ".<name>.<pid>.<n>.vkpart", or 0 when the name is not a temporary.
pid_t OwnerOf(std::string_view name) {
    const std::string_view suffix = AtomicFile::kTempSuffix;
    if (name.size() <= suffix.size() || name[0] != '.' || !name.ends_with(suffix)) return 0;
    name.remove_suffix(suffix.size());
    const size_t counterDot = name.rfind('.');
    if (counterDot == 0 || counterDot == std::string_view::npos ||
        !AllDigits(name.substr(counterDot + 1)))
        return 0;
    const size_t pidDot = name.rfind('.', counterDot - 1);
    if (pidDot == 0 || pidDot == std::string_view::npos) return 0;
    const std::string_view digits = name.substr(pidDot + 1, counterDot - pidDot - 1);
    if (!AllDigits(digits) || digits.size() > 9) return 0;
    return static_cast<pid_t>(std::stol(std::string(digits)));
}

// Anonymous files are linked in through /proc where the process lacks the capability to link
// a descriptor directly; without /proc they could never be linked in.
bool AnonymousFilesUsable() {
    static const bool proc = access("/proc/self/fd", X_OK) == 0;
    return proc && !FileFaults::AnonymousFilesRefused();
}

// The file a box path leads to, through any symbolic links; refused when it exists and is not a
// regular file, since renaming over it would replace a device, a pipe or a folder.
std::string FinalFile(const std::string& target) {
    struct stat status {};
    if (stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw Failure(FailureNumber::kPathFileAccess,
                      "\"" + target +
                          "\" is not a regular file: a box can only be written as a new file or "
                          "over a regular file.");
    std::string path = target;
    for (int hop = 0;; ++hop) {
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        if (hop == kMaxLinks) throw FailureFromErrno(ELOOP, target);
        std::string link(static_cast<size_t>(status.st_size > 0 ? status.st_size : 4096), '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0) throw FailureFromErrno(errno, target);
        link.resize(static_cast<size_t>(length));
        path = !link.empty() && link[0] == kPathSeparator ? link : GetPathPart(path) + link;
    }
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : shown_(target) {
    const std::string file = FinalFile(target);
    folder_ = FolderHandle::Open(GetPathPart(file));
    name_ = GetFilePart(file);
    RemoveStaleTemps(*folder_);
    Open(0666);
}

AtomicFile::AtomicFile(std::shared_ptr<const FolderHandle> folder, const std::string& name,
                       mode_t mode)
    : folder_(std::move(folder)), name_(name), shown_(folder_->Path() + name) {
    Open(mode);
}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Open(mode_t mode) {
    const int folder = folder_->Descriptor();
    int descriptor = -1;
    if (AnonymousFilesUsable()) {
        descriptor = openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        // Older kernels answer EISDIR, file systems without it EOPNOTSUPP.
        if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw FailureFromErrno(errno, shown_);
    }
    if (descriptor < 0) {
        tempName_ = TempName(name_);
        descriptor = openat(folder, tempName_.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (descriptor < 0) {
            tempName_.clear();
            throw FailureFromErrno(errno, shown_);
        }
    }
    out_ = std::make_unique<OutputFile>(descriptor, shown_);
}

// Syncs when asked and closes the stream, so that every write error shows before the file is
// put in place; an anonymous file keeps a descriptor open to be linked through.
void AtomicFile::Finish(Durability durability) {
    if (finished_) return;
    if (durability == Durability::kDurable) out_->Sync();
    if (tempName_.empty())
        anonymous_ = out_->Release();
    else
        out_->Close();
    finished_ = true;
}

bool AtomicFile::LinkAs(const std::string& name, const std::string& shown) {
    // Linking a descriptor itself needs a capability most users lack; once refused, it is not
    // tried again.
    static std::atomic<bool> linkDescriptor{true};
    const int folder = folder_->Descriptor();
    int result = -1;
    if (linkDescriptor.load(std::memory_order_relaxed)) {
        result = linkat(anonymous_, "", folder, name.c_str(), AT_EMPTY_PATH);
        if (result != 0 && errno == ENOENT) linkDescriptor.store(false, std::memory_order_relaxed);
    }
    if (result != 0 && (errno == ENOENT || !linkDescriptor.load(std::memory_order_relaxed))) {
        const std::string proc = "/proc/self/fd/" + std::to_string(anonymous_);
        result = linkat(AT_FDCWD, proc.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW);
    }
    if (result == 0) return true;
    if (errno == EEXIST) return false;
    throw FailureFromErrno(errno, shown);
}

bool AtomicFile::RenameNew(const std::string& name) {
    const int folder = folder_->Descriptor();
    int result = renameat2(folder, tempName_.c_str(), folder, name.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {  // not offered by this file system
        result = linkat(folder, tempName_.c_str(), folder, name.c_str(), 0);
        if (result == 0) folder_->Remove(tempName_);
    }
    if (result != 0 && (errno == EPERM || errno == EOPNOTSUPP)) {  // nor are links
        if (folder_->Holds(name)) return false;
        result = renameat(folder, tempName_.c_str(), folder, name.c_str());
    }
    if (result == 0) {
        tempName_.clear();
        return true;
    }
    if (errno == EEXIST) return false;
    throw FailureFromErrno(errno, folder_->Path() + name);
}

void AtomicFile::Commit(Durability durability) {
    try {
        KeepMode();
        Finish(durability);
        // A link cannot replace a name: an anonymous file takes a temporary one first.
        if (tempName_.empty() && !LinkAs(name_, shown_)) {
            const std::string temp = TempName(name_);
            if (!LinkAs(temp, shown_)) throw FailureFromErrno(EEXIST, shown_);
            tempName_ = temp;
        }
        if (!tempName_.empty() && renameat(folder_->Descriptor(), tempName_.c_str(),
                                           folder_->Descriptor(), name_.c_str()) != 0)
            throw FailureFromErrno(errno, shown_);
        tempName_.clear();
    } catch (...) {
        Discard();
        throw;
    }
    Discard();  // closes what is left open; the file is in place
}

bool AtomicFile::CommitNew(Durability durability, const std::string& name) {
    const std::string& as = name.empty() ? name_ : name;
    try {
        Finish(durability);
        const std::string shown = folder_->Path() + as;
        if (!(tempName_.empty() ? LinkAs(as, shown) : RenameNew(as))) return false;
    } catch (...) {
        Discard();
        throw;
    }
    tempName_.clear();
    Discard();
    return true;
}

void AtomicFile::Discard() noexcept {
    if (done_) return;
    done_ = true;
    try {
        if (out_) out_->Close();
    } catch (...) {
        // The file is being thrown away; a failed close changes nothing.
    }
    if (anonymous_ >= 0) close(anonymous_);
    if (!tempName_.empty()) folder_->Remove(tempName_);
}

// A box set to 0600, or a script set to 0755, keeps that when it is replaced. The owner can be
// given back only by root (or within the user's own groups). Set-id and sticky bits are never
// handed on: the new contents are not what they were granted to.
void AtomicFile::KeepMode() {
    struct stat old {};
    if (fstatat(folder_->Descriptor(), name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(old.st_mode))
        return;
    const int descriptor = out_->Descriptor();
    struct stat made {};
    if (descriptor < 0 || fstat(descriptor, &made) != 0) return;
    if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
        fchown(descriptor, old.st_uid, old.st_gid) != 0) {
        // The file stays this user's, with the old mode.
    }
    static_cast<void>(fchmod(descriptor, old.st_mode & 0777));
}

void AtomicFile::RemoveStaleTemps(const std::string& target) noexcept {
    try {
        RemoveStaleTemps(*FolderHandle::Open(GetPathPart(target)));
    } catch (...) {
        // A folder that cannot be opened holds nothing this process could remove.
    }
}

void AtomicFile::RemoveStaleTemps(const FolderHandle& folder) noexcept {
    const int descriptor = openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    DIR* listing = fdopendir(descriptor);
    if (!listing) {
        close(descriptor);
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        const pid_t owner = OwnerOf(entry->d_name);
        if (owner > 0 && owner != OwnPid() && !ProcessRuns(owner))
            static_cast<void>(unlinkat(descriptor, entry->d_name, 0));
    }
    closedir(listing);
}

}  // namespace vko
