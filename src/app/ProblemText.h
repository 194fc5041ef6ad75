#pragma once

#include <QLocale>
#include <QString>
#include <vector>

#include "engine/FileProblem.h"

namespace vko {

// The one message that names the files an engine operation could not treat as asked: the
// heading, then a line per file ("path: reason"). A long list is cut after shownAtMost lines and
// says how many more there are, so that the message box still fits on the screen.
[[nodiscard]] QString ProblemListText(const QString& heading,
                                      const std::vector<FileProblem>& problems,
                                      const QLocale& locale, int shownAtMost = 25);

}  // namespace vko
