// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vko {

// The folder separator of paths on this system ("/" here); box contents use "\" instead and
// convert in exactly one place each way (see the engine's BoxPath).
inline constexpr char kPathSeparator = '/';

// The path up to and including its last separator; empty when it has none.
[[nodiscard]] std::string GetPathPart(const std::string& path);

// The text after the last separator; the whole text when it has none.
[[nodiscard]] std::string GetFilePart(const std::string& path);

// The path with one separator appended unless it already ends in one.
[[nodiscard]] std::string AddBackslash(const std::string& path);

}  // namespace vko
