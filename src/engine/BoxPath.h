// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// Names inside a box versus names on this system. Folder entries in a box use "\" between
// folders and end in "\"; on disk the native separator is used. These are the only places
// that convert, and the only judge of which names are safe to write.
namespace vko::BoxPath {

// ASCII-only lower-casing, so byte lengths never change.
[[nodiscard]] std::string AsciiLower(std::string_view text);

// A relative native folder path ("Photos/2024") as a box entry ("photos\2024\").
[[nodiscard]] std::string ToBoxFolder(std::string_view nativeRelative);

// A box folder entry ("photos\2024\") as a relative native path ("photos/2024/").
[[nodiscard]] std::string ToNativeFolder(std::string_view boxEntry);

// A folder entry (2 and up) that stays inside the extraction folder: relative, non-empty
// components, none of them "." or "..", no "/" or NUL, no drive prefix, ends in "\".
[[nodiscard]] bool IsSafeFolderEntry(std::string_view entry);

// A file name that names one file in its folder: non-empty, not "." or "..", no "/", "\" or
// NUL, no drive prefix.
[[nodiscard]] bool IsSafeFileName(std::string_view name);

}  // namespace vko::BoxPath
