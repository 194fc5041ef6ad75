// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// The folder a view is mounted on, and the machine's FUSE: what is checked before mounting, and
// what is cleaned up after.
namespace vko::mount::MountPoint {

// The file-system type of every view ("fuse." followed by it in the mount table).
inline constexpr const char* kType = "vaultkeep-orb";

// Why folder cannot take a view, as a sentence naming it: it does not exist, is no folder, is
// not empty, or something is mounted there already. Nothing when it can.
[[nodiscard]] std::optional<std::string> Refusal(const std::string& folder);

// Why this machine cannot mount a view (no /dev/fuse, not allowed to open it, no fusermount3
// for a user who is not root), as a sentence. Nothing when it can.
[[nodiscard]] std::optional<std::string> FuseMissing();

// The programs holding files or folders open below folder, as "name (pid N)", without this
// process.
[[nodiscard]] std::vector<std::string> Holders(const std::string& folder);

// Whether something is mounted on folder.
[[nodiscard]] bool IsMounted(const std::string& folder);

// Detaches the mount at folder at once; programs that hold files there keep them until they
// close them. True when nothing is mounted there any more.
bool Detach(const std::string& folder);

// The views mounted below root (directly in it) that no process serves any more, as left by a
// program that ended without unmounting: each is detached and its folder removed. Returns the
// folders cleaned up.
std::vector<std::string> CleanUpStale(const std::string& root);

}  // namespace vko::mount::MountPoint
