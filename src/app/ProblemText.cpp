// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProblemText.h"

#include "app/PathText.h"

namespace vko {

QString ProblemListText(const QString& heading, const std::vector<FileProblem>& problems,
                        const QLocale& locale, int shownAtMost) {
    QString text = heading + QStringLiteral("\r\n");
    const auto count = static_cast<qlonglong>(problems.size());
    const qlonglong shown = count > shownAtMost + 1 ? shownAtMost : count;
    for (qlonglong i = 0; i < shown; ++i) {
        const FileProblem& problem = problems[static_cast<size_t>(i)];
        text += QStringLiteral("\r\n") + PathFromBytes(problem.path) + QStringLiteral(": ") +
                TextFromBytes(problem.reason);
    }
    if (shown < count)
        text += QStringLiteral("\r\n... and ") + locale.toString(count - shown) +
                QStringLiteral(" more.");
    return text;
}

QString PathsBelow(const std::vector<std::string>& paths, const QString& folder,
                   const QLocale& locale, int shownAtMost) {
    const std::string base = PathBytes(WithSeparator(folder));
    const auto count = static_cast<qlonglong>(paths.size());
    const qlonglong shown = count > shownAtMost + 1 ? shownAtMost : count;
    QString text;
    for (qlonglong i = 0; i < shown; ++i) {
        const std::string& path = paths[static_cast<size_t>(i)];
        text += QStringLiteral("\n    ") +
                PathFromBytes(path.starts_with(base) ? path.substr(base.size()) : path);
    }
    if (shown < count)
        text += QStringLiteral("\n    ... and ") + locale.toString(count - shown) +
                QStringLiteral(" more");
    return text;
}

}  // namespace vko
