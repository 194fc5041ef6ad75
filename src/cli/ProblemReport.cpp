// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ProblemReport.h"

#include "cli/TerminalHost.h"

namespace vko::cli {

ExitCode ReportProblems(const std::vector<FileProblem>& problems) {
    for (const FileProblem& problem : problems) PrintError(problem.path + ": " + problem.reason);
    return problems.empty() ? ExitCode::kDone : ExitCode::kDoneInPart;
}

}  // namespace vko::cli
