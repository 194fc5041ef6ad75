#pragma once

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

    // The size of the file at path, if this process may open it for reading; otherwise the
    // errno value that says why not (it is gone, its permissions forbid it). One stat in the
    // common case: a cheap check before a file is promised a place in a box, whose open may
    // still fail later.
    [[nodiscard]] static int Measure(const std::string& path, int64_t& size) noexcept;

    // Reads up to count bytes; fewer only at the end of the file.
    [[nodiscard]] size_t Read(char* buffer, size_t count);
    // Reads exactly count bytes or throws (a file shorter than expected is an error).
    void ReadExactly(char* buffer, size_t count);
    void Seek(int64_t position);
    // Reads exactly count bytes at position without moving the read position; safe to call
    // from several threads at once (not together with Read or Seek).
    void ReadAt(int64_t position, char* buffer, size_t count);

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
    [[nodiscard]] int Descriptor() const noexcept;

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

private:
    std::string path_;
    // Our own buffer: left to itself the C library asks the file system for its block size
    // before the first write, a system call per file when thousands are extracted.
    std::unique_ptr<char[]> buffer_;
    std::FILE* file_ = nullptr;
    int64_t position_ = 0;
};

// A file written beside its target under a temporary name and renamed over the target only by
// Commit(): until then an existing target stays untouched, and destruction without Commit()
// removes the temporary file. The temporary name is hidden (it starts with ".") and ends in
// kTempSuffix so that a file left behind by a killed process is recognisable. A file that
// replaces another takes over its permissions (and its owner, where this process may give it).
class AtomicFile {
public:
    static constexpr const char* kTempSuffix = ".vkpart";

    // In the target's folder, reached by its path (links on the way are followed).
    explicit AtomicFile(const std::string& target);
    // In folder, as name: the temporary file and the rename never go through a link.
    AtomicFile(std::shared_ptr<const FolderHandle> folder, const std::string& name);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    [[nodiscard]] OutputFile& Out() noexcept { return *out_; }
    [[nodiscard]] const std::string& TempPath() const noexcept { return tempPath_; }
    [[nodiscard]] const std::string& Target() const noexcept { return target_; }

    // How much a commit promises: kDurable syncs the data to the device before the rename, so
    // that a crash never leaves an empty file in the target's place (for boxes, which replace
    // the user's only copy); kOrdered only renames, which is enough to keep a cancelled or
    // failed write from replacing a good file and costs no device flush (for extracted files,
    // thousands at a time).
    enum class Durability { kDurable, kOrdered };

    void Commit(Durability durability = Durability::kDurable);  // close, rename over the target
    void Discard() noexcept;

    // Removes temporary files of this target left by processes that no longer run.
    static void RemoveStaleTemps(const std::string& target) noexcept;

private:
    void KeepOwnership();

    std::shared_ptr<const FolderHandle> folder_;
    std::string name_;
    std::string tempName_;
    std::string target_;
    std::string tempPath_;
    std::unique_ptr<OutputFile> out_;
    bool done_ = false;
};

// Test seam: make reads or writes fail once the given number of bytes has passed through
// the file layer (counted from the call). A negative count switches the fault off.
// DenyReading(path) makes opening that file for reading fail as if its permissions forbade it
// (the way an unreadable file behaves for any user but root).
namespace FileFaults {
void FailWritesAfter(int64_t bytes) noexcept;
void FailReadsAfter(int64_t bytes) noexcept;
void DenyReading(const std::string& path);
void Reset() noexcept;
}  // namespace FileFaults

}  // namespace vko
