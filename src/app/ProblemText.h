// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <string>
#include <vector>

#include "engine/FileProblem.h"

namespace vko {

// The one message that names the files an engine operation could not treat as asked: the
// heading, then a line per file ("path: reason"). A long list is cut after shownAtMost lines and
// says how many more there are, so that the message box still fits on the screen.
[[nodiscard]] QString ProblemListText(const QString& heading,
                                      const std::vector<FileProblem>& problems,
                                      const QLocale& locale, int shownAtMost = 25);

// The first shownAtMost of paths, one per indented line, each by its path below folder (a path
// outside it whole), then how many more: "\n    a.txt\n    d/c.txt\n    ... and 2 more".
[[nodiscard]] QString PathsBelow(const std::vector<std::string>& paths, const QString& folder,
                                 const QLocale& locale, int shownAtMost = 5);

}  // namespace vko
