// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CommandLine.h"

namespace vko::cli {

// vkx list: the box name, root folder, whether it is compressed, one line per file and the
// totals, or all of it as one JSON object.
[[nodiscard]] ExitCode RunList(const ListOptions& options);

}  // namespace vko::cli
