// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/BoxListing.h"

namespace vko::cli {

// Turns the ENTRY arguments of extract into entry numbers, in the order given, each once. An
// argument of digits is the number list shows; anything else is a path as list shows it ("/"
// may stand for "\"), and "./" before a path makes it one even when it is all digits. An
// argument that names no entry is a UsageError, raised before anything is written.
[[nodiscard]] std::vector<int32_t> ResolveEntries(const BoxListing& listing,
                                                  const std::vector<std::string>& arguments);

// The folder extract writes to when no -C is given: "./" + the box's root folder name, or the
// box file's name without its extension when the stored name cannot serve as a folder name
// here (a drive such as "D:", or a name that would lead out of the current folder).
[[nodiscard]] std::string DefaultExtractFolder(const BoxListing& listing, const std::string& box);

}  // namespace vko::cli
