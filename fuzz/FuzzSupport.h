// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vko::fuzz {

// The password every fuzz target and every seed box uses.
inline constexpr const char* kPassword = "fuzz password";

// Cheap key derivation, once per process.
void Prepare();

// A private scratch folder of this process (created once), ending in "/".
[[nodiscard]] const std::string& Scratch();

// Writes the bytes as the box file to read and returns its path.
[[nodiscard]] std::string WriteBox(const uint8_t* data, size_t size);

// Removes everything below path (the path itself included).
void RemoveTree(const std::string& path);

}  // namespace vko::fuzz
