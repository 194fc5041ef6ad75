// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Failure.h"

#include <cerrno>
#include <cstring>

namespace vko {

namespace {

int32_t NumberFor(int error) {
    switch (error) {
        case ENOENT: return FailureNumber::kFileNotFound;
        case ENOTDIR: return FailureNumber::kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS: return FailureNumber::kPermissionDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return FailureNumber::kDiskFull;
        case EIO: return FailureNumber::kDeviceIo;
        case EEXIST: return FailureNumber::kFileExists;
        case ENOMEM: return FailureNumber::kOutOfMemory;
        default: return FailureNumber::kPathFileAccess;
    }
}

}  // namespace

Failure FailureFromErrno(int error, const std::string& path, std::string source) {
    return Failure(NumberFor(error), std::string(std::strerror(error)) + ": " + path,
                   std::move(source));
}

}  // namespace vko
