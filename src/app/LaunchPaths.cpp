// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LaunchPaths.h"

#include <QDir>
#include <QFileInfo>

#include "app/AppInfo.h"

namespace vko {

LaunchPaths ResolveLaunchPaths(const QStringList& arguments, const QString& workingFolder) {
    LaunchPaths launch;
    const QDir working(workingFolder);
    for (const QString& argument : arguments) {
        // Cleaning also drops a trailing separator, which would leave a folder without a name
        // to propose for its box.
        const QString path =
            argument.isEmpty()
                ? argument
                : QDir::toNativeSeparators(QDir::cleanPath(working.absoluteFilePath(argument)));
        launch.paths.append(path);
        if (path.isEmpty() || !QFileInfo::exists(path)) launch.missing.append(path);
    }
    return launch;
}

QString MissingPathsMessage(const QStringList& missing) {
    const QString lead =
        missing.size() == 1
            ? QStringLiteral("Nothing was opened: this file or folder does not exist:")
            : QStringLiteral("Nothing was opened: these files or folders do not exist:");
    QStringList lines{lead, QString()};
    for (const QString& path : missing)
        lines.append(path.isEmpty() ? QStringLiteral("\"\" (an empty name)") : path);
    return lines.join(QStringLiteral("\r\n"));
}

QString HandOverFailedMessage(bool withPaths) {
    return QString::fromLatin1(kAppTitle) +
           (withPaths ? QStringLiteral(" is already running but did not answer, so it has not "
                                       "opened the files and folders given to this instance.")
                      : QStringLiteral(" is already running but did not answer, so its window "
                                       "could not be shown.")) +
           QStringLiteral(" Try again in a moment.");
}

}  // namespace vko
