// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/BlockState.h"

// Removing the sources of a box once it is safely written.
namespace vko::BlockShred {

// Overwrites every file with pseudo-random bytes and deletes it, then removes the folders
// that held them, deepest first, and the boxed folder itself unless it is a file-system root.
// A link is removed without writing through it. Throws Failure naming a file or folder that
// cannot be overwritten or removed (a folder that still holds files that were not boxed).
void ShredSources(BlockState& s, const std::vector<std::string>& files);

[[nodiscard]] bool IsFileSystemRoot(const std::string& folder);

}  // namespace vko::BlockShred
