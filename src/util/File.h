// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "util/FolderHandle.h"

namespace vko {

// Byte-stream files for every layer that reads or writes user data. Every failure throws a
// Failure that names the path. All reads and writes pass through FileFaults, so tests can make
// the file system fail after a given number of bytes.

class InputFile {
public:
    explicit InputFile(const std::string& path);  // throws when the file cannot be opened
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    [[nodiscard]] int64_t Length() const noexcept { return length_; }
    [[nodiscard]] int64_t Position() const noexcept { return position_; }
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }

    // Reads up to count bytes; fewer only at the end of the file.
    [[nodiscard]] size_t Read(char* buffer, size_t count);
    // Reads exactly count bytes or throws (a file shorter than expected is an error).
    void ReadExactly(char* buffer, size_t count);
    void Seek(int64_t position);
    // Reads exactly count bytes at position without moving the read position; safe to call
    // from several threads at once (not together with Read or Seek).
    void ReadAt(int64_t position, char* buffer, size_t count);
    // Asks the system to start reading count bytes at position into its cache, without waiting.
    void WillNeed(int64_t position, int64_t count) noexcept;

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    int64_t length_ = 0;
    int64_t position_ = 0;
};

class OutputFile {
public:
    // Creates or truncates the file (or opens an existing one for update when truncate is false).
    explicit OutputFile(const std::string& path, bool truncate = true);
    // Takes over an open descriptor of a file open for reading and writing; path names it in
    // messages.
    OutputFile(int descriptor, const std::string& path);
    ~OutputFile();  // closes without reporting; call Close() to see errors
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    [[nodiscard]] int64_t Position() const noexcept { return position_; }
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }
    [[nodiscard]] int Descriptor() const noexcept { return descriptor_; }

    void Write(const char* data, size_t count);
    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
    void Seek(int64_t position);
    // Hands buffered data to the system, so that WriteAt from other threads may follow.
    void Flush();
    // Writes count bytes at position without moving the write position; safe to call from
    // several threads at once after Flush (not together with Write or Seek).
    void WriteAt(int64_t position, const char* data, size_t count);
    // Copies count bytes from position from to position to (to <= from), front to back, so
    // that overlapping ranges move down intact (after Flush).
    void CopyWithin(int64_t from, int64_t to, int64_t count);
    // Cuts the file to length bytes (after Flush).
    void Truncate(int64_t length);
    // Starts writing what the system holds of the file to the device without waiting for it,
    // so that a later Sync finds little left to do. A hint: failures are left to Sync.
    void StartWriteback() noexcept;
    void Sync();   // flushes to the device so a following rename is durable
    void Close();  // throws when buffered data cannot be written
    // Writes what is buffered and hands the descriptor to the caller, who closes it; this
    // object writes no more. Throws when buffered data cannot be written.
    [[nodiscard]] int Release();

private:
    void Put(const char* data, size_t count);
    void Drain();

    std::string path_;
    // Writes are gathered here: a file of thousands extracted is one write, and its descriptor
    // is used as it is (no stream of the C library to set up and tear down for each).
    std::unique_ptr<char[]> buffer_;
    size_t buffered_ = 0;
    int descriptor_ = -1;
    int64_t position_ = 0;
};

// A file written beside its target and put in its place only by a commit: until then an existing
// target stays untouched, and destruction without a commit leaves nothing behind. Where the file
// system has them the file is anonymous (O_TMPFILE) until it is linked in, so that not even a
// killed process leaves it behind; elsewhere it has a hidden temporary name (".<name>.<pid>.<n>"
// + kTempSuffix) that the next run in that folder removes once its process is gone. Failures
// name the target, never the temporary. A file that replaces another takes over its permissions
// less the setuid, setgid and sticky bits (and its owner, where this process may give it).
class AtomicFile {
public:
    static constexpr const char* kTempSuffix = ".vkpart";

    // A box: target may be a symbolic link, which is followed to the file it leads to, and that
    // file is replaced beside it; the link stays. Refuses (Failure) a target that exists and is
    // not a regular file (a folder, a device, a pipe). A new file gets 0666 less the umask.
    explicit AtomicFile(const std::string& target);
    // In folder, as name: the file and its commit never go through a link. A new file gets mode
    // (less the umask).
    AtomicFile(std::shared_ptr<const FolderHandle> folder, const std::string& name,
               mode_t mode = 0600);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    [[nodiscard]] OutputFile& Out() noexcept { return *out_; }
    [[nodiscard]] const std::string& Target() const noexcept { return shown_; }

    // How much a commit promises: kDurable syncs the data to the device first, so that a crash
    // never leaves an empty file in the target's place (for boxes, which replace the user's only
    // copy); kOrdered only links the file in, which is enough to keep a cancelled or failed write
    // from replacing a good file and costs no device flush (for extracted files, thousands at a
    // time).
    enum class Durability { kDurable, kOrdered };

    // Puts the file in the target's place, replacing what is there (a folder is not replaced:
    // that fails).
    void Commit(Durability durability = Durability::kDurable);
    // Puts the file in place as name (the target's own name when empty) in the target's folder
    // only where nothing has that name yet; false when something does, and the file stays
    // uncommitted, to be committed under another name or discarded.
    [[nodiscard]] bool CommitNew(Durability durability, const std::string& name = {});
    void Discard() noexcept;

    // Removes the temporary files that processes no longer running left in the folder of target
    // (or in folder).
    static void RemoveStaleTemps(const std::string& target) noexcept;
    static void RemoveStaleTemps(const FolderHandle& folder) noexcept;

private:
    void Open(mode_t mode);
    void Finish(Durability durability);
    // Put the file in place as name unless something has that name (false then).
    // shown names the new name in a failure.
    [[nodiscard]] bool LinkAs(const std::string& name, const std::string& shown);  // anonymous
    [[nodiscard]] bool RenameNew(const std::string& name);  // a named temporary
    void KeepMode();

    std::shared_ptr<const FolderHandle> folder_;
    std::string name_;
    std::string shown_;     // the target as messages name it
    std::string tempName_;  // empty while the file is anonymous
    std::unique_ptr<OutputFile> out_;
    int anonymous_ = -1;  // an anonymous file's descriptor, kept open to link it in
    bool finished_ = false;
    bool done_ = false;
};

// Test seam: make reads or writes fail once the given number of bytes has passed through
// the file layer (counted from the call). A negative count switches the fault off.
// DenyReading(path) makes opening that file for reading fail as if its permissions forbade it
// (the way an unreadable file behaves for any user but root). FailSyncs makes every flush to the
// device fail; NoAnonymousFiles makes AtomicFile behave as on a file system without O_TMPFILE.
namespace FileFaults {
void FailWritesAfter(int64_t bytes) noexcept;
void FailReadsAfter(int64_t bytes) noexcept;
void DenyReading(const std::string& path);
void FailSyncs() noexcept;
void NoAnonymousFiles() noexcept;
void Reset() noexcept;
}  // namespace FileFaults

}  // namespace vko
