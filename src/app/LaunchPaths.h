// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vko {

// The boxes and folders the desktop program was started with, made absolute against the
// folder it was started in (a running instance that takes them over has a folder of its own).
struct LaunchPaths {
    QStringList paths;    // every argument, absolute and without "." or ".." parts
    QStringList missing;  // those that name nothing on disk
};

[[nodiscard]] LaunchPaths ResolveLaunchPaths(const QStringList& arguments,
                                             const QString& workingFolder);

// Told when a path does not exist; then nothing at all is opened.
[[nodiscard]] QString MissingPathsMessage(const QStringList& missing);

// Told when the running instance could not be reached to take paths over (withPaths) or to
// show its window.
[[nodiscard]] QString HandOverFailedMessage(bool withPaths);

}  // namespace vko
