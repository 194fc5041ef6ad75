// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The file layer's side of the fault seam declared in File.h.
namespace vko::FileFaults {

// How many of count bytes may pass before the armed fault strikes; count when none is armed.
[[nodiscard]] size_t AllowWrite(size_t count) noexcept;
[[nodiscard]] size_t AllowRead(size_t count) noexcept;
// Whether opening path for reading is made to fail.
[[nodiscard]] bool ReadingDenied(const std::string& path) noexcept;
[[nodiscard]] bool SyncFails() noexcept;
[[nodiscard]] bool AnonymousFilesRefused() noexcept;
// Returns once opening path is no longer held (at once unless a test holds it).
void WaitIfHeld(const std::string& path);

}  // namespace vko::FileFaults
