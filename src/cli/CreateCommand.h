// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CommandLine.h"

namespace vko::cli {

// vkx create: packs a folder tree into a box. An existing box of that name is replaced only
// once the new one is complete.
[[nodiscard]] ExitCode RunCreate(const CreateOptions& options);

}  // namespace vko::cli
