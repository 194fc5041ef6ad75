// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vko {

// The one error type that leaves an engine operation: a number (the classic runtime-error
// numbers: 5 invalid argument, 6 overflow, 53 file not found, 61 disk full, 70 permission
// denied, 75 path/file access error, 76 path not found), a description a user can act on
// (it names the path involved) and the routine it came from.
class Failure : public std::runtime_error {
public:
    Failure(int32_t number, const std::string& description, std::string source = {})
        : std::runtime_error(description), number_(number), source_(std::move(source)) {}

    [[nodiscard]] int32_t Number() const noexcept { return number_; }
    [[nodiscard]] std::string Description() const { return what(); }
    [[nodiscard]] const std::string& Source() const noexcept { return source_; }

private:
    int32_t number_;
    std::string source_;
};

namespace FailureNumber {
inline constexpr int32_t kInvalidArgument = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kDeviceIo = 57;
inline constexpr int32_t kFileExists = 58;
inline constexpr int32_t kDiskFull = 61;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
}  // namespace FailureNumber

// Turns an errno value from a failed file operation into a Failure naming the path.
[[nodiscard]] Failure FailureFromErrno(int error, const std::string& path, std::string source = {});

}  // namespace vko
