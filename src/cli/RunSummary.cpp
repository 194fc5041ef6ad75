// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunSummary.h"

#include <cstdio>

#include "cli/DisplayText.h"
#include "cli/StatusLine.h"

namespace vko::cli {

void PrintSummary(const RunSummary& summary, const std::string& note) {
    // Standard output and error are often the same terminal: the progress line must go first.
    StatusLine::Clear();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - summary.started).count();
    std::printf("%s: %lld file%s, %lld bytes in, %lld bytes out, %.2f seconds%s\n",
                ForDisplay(summary.done).c_str(), static_cast<long long>(summary.files),
                summary.files == 1 ? "" : "s", static_cast<long long>(summary.bytesIn),
                static_cast<long long>(summary.bytesOut), seconds,
                note.empty() ? "" : ("; " + note).c_str());
}

}  // namespace vko::cli
