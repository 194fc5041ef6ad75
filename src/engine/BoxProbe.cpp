// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BoxProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>

#include "engine/BoxFormat.h"

namespace vko::BoxProbe {

namespace {

// The smallest box of the current layout: version, N, D, one folder entry of one byte, F.
constexpr int64_t kSmallestBox = 1 + 1 + 4 + 1 + 4;

uint32_t BigEndian(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

// Reads count bytes at offset; false when the file is shorter.
bool ReadAt(int fd, int64_t offset, unsigned char* buffer, size_t count) {
    return pread(fd, buffer, count, offset) == static_cast<ssize_t>(count);
}

// A legacy header keeps N, D and F unenciphered (most significant byte first): they must
// describe a folder table of at least one entry and tables that end inside the file.
bool FitsLegacyLayout(int fd, int64_t length) {
    unsigned char n = 0;
    std::array<unsigned char, 4> field{};
    if (!ReadAt(fd, 1, &n, 1) || !ReadAt(fd, 2 + int64_t{n}, field.data(), 4)) return false;
    const int64_t folders = BigEndian(field.data());
    if (folders < 1 || folders > length) return false;
    const int64_t fAt = 6 + int64_t{n} + folders;
    if (!ReadAt(fd, fAt, field.data(), 4)) return false;
    return fAt + 4 + int64_t{BigEndian(field.data())} <= length;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int Get() const noexcept { return fd_; }

private:
    int fd_;
};

}  // namespace

Verdict Probe(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return Verdict::kMissing;
    if (!S_ISREG(info.st_mode)) return Verdict::kNotRegularFile;
    const Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) return Verdict::kMissing;
    // Checked again on the open file: the name may have been replaced since the stat.
    if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return Verdict::kNotRegularFile;
    const int64_t length = info.st_size;
    unsigned char version = 0;
    if (!ReadAt(fd.Get(), 0, &version, 1)) return Verdict::kNotABox;
    const bool current =
        version == BoxFormat::kVersionPlain || version == BoxFormat::kVersionCompressed;
    if (current && length >= kSmallestBox) return Verdict::kCouldBeBox;
    return FitsLegacyLayout(fd.Get(), length) ? Verdict::kCouldBeBox : Verdict::kNotABox;
}

std::string Explain(Verdict verdict, const std::string& path) {
    const std::string quoted = "\"" + path + "\"";
    switch (verdict) {
        case Verdict::kCouldBeBox:
            return {};
        case Verdict::kMissing:
            return quoted + " does not exist or cannot be opened.";
        case Verdict::kNotRegularFile:
            return quoted + " is not a regular file: a box must be a file that can be read from "
                            "any point (not a folder, pipe or device).";
        case Verdict::kNotABox:
            return quoted + " is not a box.";
    }
    return {};
}

}  // namespace vko::BoxProbe
