// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CommandLine.h"

namespace vko::cli {

// vkx verify: checks every tag of a box and writes nothing.
[[nodiscard]] ExitCode RunVerify(const VerifyOptions& options);

}  // namespace vko::cli
