// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

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
    : path_(path), buffer_(new char[kWriteBuffer]) {
    descriptor_ = open(path.c_str(), O_RDWR | O_CLOEXEC | (truncate ? O_CREAT | O_TRUNC : 0), 0666);
    if (descriptor_ < 0) throw FailureFromErrno(errno, path);
}

OutputFile::OutputFile(int descriptor, const std::string& path)
    : path_(path), buffer_(new char[kWriteBuffer]), descriptor_(descriptor) {}

OutputFile::~OutputFile() {
    if (descriptor_ < 0) return;
    try {
        Drain();
    } catch (const Failure&) {  // not reported: Close() is where errors show
    }
    close(descriptor_);
}

// Writes count bytes at the file's position, all of them or a Failure.
void OutputFile::Put(const char* data, size_t count) {
    while (count > 0) {
        const ssize_t put = write(descriptor_, data, count);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw FailureFromErrno(put < 0 ? errno : EIO, path_);
        data += put;
        count -= static_cast<size_t>(put);
    }
}

void OutputFile::Drain() {
    const size_t count = std::exchange(buffered_, 0);
    Put(buffer_.get(), count);
}

void OutputFile::Write(const char* data, size_t count) {
    if (count == 0) return;
    const size_t allowed = FileFaults::AllowWrite(count);
    if (buffered_ + allowed > kWriteBuffer) Drain();
    if (allowed >= kWriteBuffer) {
        Put(data, allowed);
    } else {
        std::copy_n(data, allowed, buffer_.get() + buffered_);
        buffered_ += allowed;
    }
    position_ += static_cast<int64_t>(allowed);
    if (allowed < count) throw FailureFromErrno(ENOSPC, path_);
}

void OutputFile::Seek(int64_t position) {
    Drain();
    if (lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) < 0)
        throw FailureFromErrno(errno, path_);
    position_ = position;
}

void OutputFile::Flush() {
    Drain();
}

void OutputFile::WriteAt(int64_t position, const char* data, size_t count) {
    const size_t allowed = FileFaults::AllowWrite(count);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t put = pwrite(descriptor_, data + done, allowed - done,
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
            pread(descriptor_, chunk.get(), length, static_cast<off_t>(from + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw FailureFromErrno(got < 0 ? errno : EIO, path_);
        WriteAt(to + done, chunk.get(), static_cast<size_t>(got));
        done += got;
    }
}

void OutputFile::Truncate(int64_t length) {
    if (ftruncate(descriptor_, static_cast<off_t>(length)) != 0)
        throw FailureFromErrno(errno, path_);
}

void OutputFile::StartWriteback() noexcept {
#ifdef SYNC_FILE_RANGE_WRITE
    static_cast<void>(sync_file_range(descriptor_, 0, 0, SYNC_FILE_RANGE_WRITE));
#endif
}

void OutputFile::Sync() {
    if (FileFaults::SyncFails()) throw FailureFromErrno(EIO, path_);
    Drain();
    if (fsync(descriptor_) != 0) throw FailureFromErrno(errno, path_);
}

int OutputFile::Release() {
    Drain();
    return std::exchange(descriptor_, -1);
}

void OutputFile::Close() {
    const int descriptor = Release();
    if (descriptor >= 0 && close(descriptor) != 0) throw FailureFromErrno(errno, path_);
}

}  // namespace vko
