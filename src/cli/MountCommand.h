// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CommandLine.h"

namespace vko::cli {

// vkx mount: shows a box as a read-only folder until it is unmounted.
[[nodiscard]] ExitCode RunMount(const MountOptions& options);

}  // namespace vko::cli
