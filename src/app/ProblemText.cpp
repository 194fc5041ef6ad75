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

}  // namespace vko
