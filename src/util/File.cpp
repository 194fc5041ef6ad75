// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "util/Failure.h"
#include "util/FileFaults.h"

namespace vko {

namespace {

constexpr size_t kWriteBuffer = 64 * 1024;

std::FILE* Open(const std::string& path, const char* mode) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) throw FailureFromErrno(errno, path);
    return file;
}

void SeekTo(std::FILE* file, int64_t position, const std::string& path) {
    if (fseeko(file, static_cast<off_t>(position), SEEK_SET) != 0)
        throw FailureFromErrno(errno, path);
}

std::FILE* OpenForReading(const std::string& path) {
    if (FileFaults::ReadingDenied(path)) throw FailureFromErrno(EACCES, path);
    return Open(path, "rb");
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path), file_(OpenForReading(path)) {
    if (fseeko(file_, 0, SEEK_END) != 0 || (length_ = ftello(file_)) < 0 ||
        fseeko(file_, 0, SEEK_SET) != 0) {
        const int error = errno;
        std::fclose(file_);
        throw FailureFromErrno(error, path);
    }
}

InputFile::~InputFile() {
    std::fclose(file_);
}

size_t InputFile::Read(char* buffer, size_t count) {
    const size_t allowed = FileFaults::AllowRead(count);
    const size_t got = std::fread(buffer, 1, allowed, file_);
    position_ += static_cast<int64_t>(got);
    if (std::ferror(file_)) throw FailureFromErrno(errno ? errno : EIO, path_);
    if (allowed < count && got == allowed) throw FailureFromErrno(EIO, path_);
    return got;
}

void InputFile::ReadExactly(char* buffer, size_t count) {
    if (Read(buffer, count) != count)
        throw Failure(FailureNumber::kPathFileAccess, "Unexpected end of file: " + path_);
}

void InputFile::WillNeed(int64_t position, int64_t count) noexcept {
    // Only advice: a system that ignores it reads the same bytes later.
    (void)posix_fadvise(fileno(file_), static_cast<off_t>(position), static_cast<off_t>(count),
                        POSIX_FADV_WILLNEED);
}

void InputFile::ReadAt(int64_t position, char* buffer, size_t count) {
    const size_t allowed = FileFaults::AllowRead(count);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t got = pread(fileno(file_), buffer + done, allowed - done,
                                  static_cast<off_t>(position) + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FailureFromErrno(errno, path_);
        if (got == 0)
            throw Failure(FailureNumber::kPathFileAccess, "Unexpected end of file: " + path_);
        done += static_cast<size_t>(got);
    }
    if (allowed < count) throw FailureFromErrno(EIO, path_);
}

void InputFile::Seek(int64_t position) {
    SeekTo(file_, position, path_);
    position_ = position;
}

// Opened for reading too, so that CopyWithin can move what was written.
OutputFile::OutputFile(const std::string& path, bool truncate)
    : path_(path), buffer_(new char[kWriteBuffer]), file_(Open(path, truncate ? "w+b" : "r+b")) {
    std::setvbuf(file_, buffer_.get(), _IOFBF, kWriteBuffer);
}

OutputFile::OutputFile(int descriptor, const std::string& path)
    : path_(path), buffer_(new char[kWriteBuffer]), file_(fdopen(descriptor, "w+b")) {
    if (!file_) {
        const int error = errno;
        close(descriptor);
        throw FailureFromErrno(error, path);
    }
    std::setvbuf(file_, buffer_.get(), _IOFBF, kWriteBuffer);
}

int OutputFile::Descriptor() const noexcept {
    return file_ ? fileno(file_) : -1;
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
}

void OutputFile::Write(const char* data, size_t count) {
    if (count == 0) return;
    const size_t allowed = FileFaults::AllowWrite(count);
    const size_t put = std::fwrite(data, 1, allowed, file_);
    position_ += static_cast<int64_t>(put);
    if (put != allowed) throw FailureFromErrno(errno ? errno : EIO, path_);
    if (allowed < count) throw FailureFromErrno(ENOSPC, path_);
}

void OutputFile::Seek(int64_t position) {
    SeekTo(file_, position, path_);
    position_ = position;
}

void OutputFile::Flush() {
    if (std::fflush(file_) != 0) throw FailureFromErrno(errno, path_);
}

void OutputFile::WriteAt(int64_t position, const char* data, size_t count) {
    const size_t allowed = FileFaults::AllowWrite(count);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t put = pwrite(fileno(file_), data + done, allowed - done,
                                   static_cast<off_t>(position) + static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw FailureFromErrno(put < 0 ? errno : EIO, path_);
        done += static_cast<size_t>(put);
    }
    if (allowed < count) throw FailureFromErrno(ENOSPC, path_);
}

void OutputFile::CopyWithin(int64_t from, int64_t to, int64_t count) {
    if (from == to || count <= 0) return;
    constexpr int64_t kChunk = int64_t{1} << 20;
    std::unique_ptr<char[]> chunk(new char[static_cast<size_t>(std::min(count, kChunk))]);
    for (int64_t done = 0; done < count;) {
        const auto length = static_cast<size_t>(std::min(count - done, kChunk));
        const ssize_t got =
            pread(fileno(file_), chunk.get(), length, static_cast<off_t>(from + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw FailureFromErrno(got < 0 ? errno : EIO, path_);
        WriteAt(to + done, chunk.get(), static_cast<size_t>(got));
        done += got;
    }
}

void OutputFile::Truncate(int64_t length) {
    if (ftruncate(fileno(file_), static_cast<off_t>(length)) != 0)
        throw FailureFromErrno(errno, path_);
}

void OutputFile::StartWriteback() noexcept {
#ifdef SYNC_FILE_RANGE_WRITE
    static_cast<void>(sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE));
#endif
}

void OutputFile::Sync() {
    if (FileFaults::SyncFails()) throw FailureFromErrno(EIO, path_);
    if (std::fflush(file_) != 0 || fsync(fileno(file_)) != 0) throw FailureFromErrno(errno, path_);
}

void OutputFile::Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file && std::fclose(file) != 0) throw FailureFromErrno(errno, path_);
}

}  // namespace vko
