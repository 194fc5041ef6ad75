// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/PathParts.h"

namespace vko {

std::string GetPathPart(const std::string& path) {
    const auto last = path.rfind(kPathSeparator);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string GetFilePart(const std::string& path) {
    const auto last = path.rfind(kPathSeparator);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string AddBackslash(const std::string& path) {
    if (!path.empty() && path.back() == kPathSeparator) return path;
    return path + kPathSeparator;
}

}  // namespace vko
