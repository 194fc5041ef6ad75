// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vko {

// Where boxes go until the user chooses a default folder: the documents folder, made when it
// is missing, or the home folder when there is none or it cannot be made. The program's own
// folder is no choice: an installed program cannot write there.
[[nodiscard]] QString FirstStartFolder(const QString& documents, const QString& home);

// The same for the user running the program.
[[nodiscard]] QString FirstStartFolder();

}  // namespace vko
