// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "cli/ExitCode.h"
#include "engine/FileProblem.h"

namespace vko::cli {

// Prints every file the engine could not treat as asked ("vkx: PATH: REASON") on standard
// error. Returns kDoneInPart when there was any, kDone otherwise.
[[nodiscard]] ExitCode ReportProblems(const std::vector<FileProblem>& problems);

}  // namespace vko::cli
