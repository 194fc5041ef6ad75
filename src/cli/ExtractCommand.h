// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CommandLine.h"

namespace vko::cli {

// vkx extract: unpacks a whole box, or the chosen entries, into a folder.
[[nodiscard]] ExitCode RunExtract(const ExtractOptions& options);

}  // namespace vko::cli
