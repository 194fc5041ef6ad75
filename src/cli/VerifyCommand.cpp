// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/VerifyCommand.h"

#include "cli/BoxListing.h"
#include "cli/CancelSignal.h"
#include "cli/PasswordSource.h"
#include "cli/ProblemReport.h"
#include "cli/ProgressObserver.h"
#include "cli/RunSummary.h"
#include "cli/TerminalHost.h"
#include "engine/CCipherBlock.h"

namespace vko::cli {

ExitCode RunVerify(const VerifyOptions& options) {
    RequireReadableBox(options.box);
    Password password = ReadPassword(options.passwordFile, PasswordUse::kOpen);
    if (CancelSignal::Raised()) return ExitCode::kCancelled;
    const auto started = std::chrono::steady_clock::now();
    TerminalHost host;
    CCipherBlock engine(host);
    if (options.threads != 0) engine.SetWorkerThreads(options.threads);
    ProgressObserver progress(ProgressStyleFor(options.quiet));
    engine.SetEvents(&progress);
    switch (engine.VerifyBlock(options.box, password.Text())) {
        case BlockResult::kReadOk:
            break;
        case BlockResult::kReadNotABox:
            ReportBadHeader(host);
            return ExitCode::kBadHeader;
        default:
            return ExitCode::kCancelled;
    }
    if (CancelSignal::Raised()) return ExitCode::kCancelled;
    const ExitCode code = ReportProblems(engine.Problems());
    if (code == ExitCode::kDone && !options.quiet)
        PrintSummary({"Verified " + options.box, static_cast<int64_t>(engine.Files().size()),
                      engine.DataByteCount(), 0, started});
    return code;
}

}  // namespace vko::cli
