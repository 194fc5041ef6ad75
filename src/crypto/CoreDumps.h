// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vko::crypto {

// Keeps the process from writing a core dump and from being read by a debugger of the same
// user, so that a password held in memory cannot end up in a file. Programs that hold a
// password call it once at start; it lasts for the rest of the process.
void DisableCoreDumps() noexcept;

// True when the process can no longer dump core (for tests and diagnostics).
[[nodiscard]] bool CoreDumpsDisabled() noexcept;

}  // namespace vko::crypto
