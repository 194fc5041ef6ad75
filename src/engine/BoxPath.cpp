// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BoxPath.h"

#include <algorithm>

#include "engine/BoxFormat.h"
#include "util/PathParts.h"

namespace vko::BoxPath {

namespace {

bool HasDrivePrefix(std::string_view name) {
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return name.size() >= 2 && isLetter(name[0]) && name[1] == ':';
}

bool IsSafeComponent(std::string_view part) {
    if (part.empty() || part == "." || part == "..") return false;
    return part.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return lower;
}

std::string ToBoxFolder(std::string_view nativeRelative) {
    std::string entry = AsciiLower(nativeRelative);
    std::replace(entry.begin(), entry.end(), kPathSeparator, BoxFormat::kBoxSeparator);
    if (!entry.empty() && entry.back() != BoxFormat::kBoxSeparator) entry += BoxFormat::kBoxSeparator;
    return entry;
}

std::string ToNativeFolder(std::string_view boxEntry) {
    std::string native(boxEntry);
    std::replace(native.begin(), native.end(), BoxFormat::kBoxSeparator, kPathSeparator);
    return native;
}

bool IsSafeFolderEntry(std::string_view entry) {
    if (entry.size() < 2 || entry.back() != BoxFormat::kBoxSeparator || HasDrivePrefix(entry))
        return false;
    entry.remove_suffix(1);
    size_t start = 0;
    while (true) {
        const size_t end = entry.find(BoxFormat::kBoxSeparator, start);
        if (!IsSafeComponent(entry.substr(start, end - start))) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

bool IsSafeFileName(std::string_view name) {
    return IsSafeComponent(name) && !HasDrivePrefix(name);
}

}  // namespace vko::BoxPath
