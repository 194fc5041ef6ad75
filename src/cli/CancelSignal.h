// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vko::cli {

// Ctrl-C, SIGTERM and SIGHUP set a flag that the engine polls, so a running operation stops at
// its next check and cleans up after itself instead of dying with a half-written file.
namespace CancelSignal {

// Installs the handlers. They interrupt blocking reads (no SA_RESTART) so that a password
// prompt can be left with Ctrl-C too.
void Install();

[[nodiscard]] bool Raised() noexcept;
// How many of those signals arrived so far.
[[nodiscard]] int Count() noexcept;

}  // namespace CancelSignal

}  // namespace vko::cli
