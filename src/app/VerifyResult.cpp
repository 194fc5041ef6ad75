// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VerifyResult.h"

#include <algorithm>

#include "app/AmountText.h"
#include "app/PathText.h"
#include "engine/CCipherBlock.h"

namespace vko {

QString VerifiedLine(const QString& box, int64_t files, int64_t damaged, bool sealed,
                     const QString& seconds, const QLocale& locale) {
    const QString in = QStringLiteral(" in ") + seconds + QStringLiteral(" seconds");
    if (sealed && damaged == 0) {
        if (files == 0)
            return box + QStringLiteral(" verified") + in + QStringLiteral(": it holds no files");
        return (files == 1 ? QStringLiteral("The one file of ")
                           : QStringLiteral("All ") + FileCountText(files, locale) +
                                 QStringLiteral(" of ")) +
               box + QStringLiteral(" verified") + in;
    }
    QString found;
    if (!sealed) found = QStringLiteral("not sealed, so no file counts as verified");
    if (damaged > 0) {
        if (!found.isEmpty()) found += QStringLiteral("; ");
        found += locale.toString(static_cast<qlonglong>(damaged)) + QStringLiteral(" of ") +
                 FileCountText(files, locale) + QStringLiteral(" damaged");
    }
    return box + QStringLiteral(" checked") + in + QStringLiteral(": ") + found;
}

void ReportVerification(JobContext& c, const QString& boxFile, const QString& seconds) {
    const CCipherBlock& engine = c.shell.Vaultkeep();
    const std::string box = PathBytes(boxFile);
    // Files are named by their path in the box; shown as the folders they extract into. What
    // is named by the box's own path concerns its seal.
    std::vector<FileProblem> problems = engine.Problems();
    for (FileProblem& problem : problems)
        if (problem.path != box) std::replace(problem.path.begin(), problem.path.end(), '\\', '/');
    const auto damaged = std::count_if(problems.begin(), problems.end(),
                                       [&](const FileProblem& p) { return p.path != box; });
    const bool sealed = damaged == static_cast<int64_t>(problems.size());
    const QString name = FilePart(boxFile);
    const QString line = VerifiedLine(name, static_cast<int64_t>(engine.Files().size()), damaged,
                                      sealed, seconds, c.locale);
    c.shell.SetStatus(line);
    if (!ReportProblems(c,
                        QStringLiteral("Verifying ") + name +
                            QStringLiteral(" found damage; nothing was written:"),
                        problems))
        c.shell.UserMessages().Inform(
            line + QStringLiteral(": it is sealed, and nothing in it has changed."));
}

}  // namespace vko
