// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>
#include <QtGlobal>

namespace vko {

SingleInstance::SingleInstance(const QString& lockFile) : lock_(lockFile) {
    // A running instance holds its lock for hours: only a dead owner makes it stale.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::OtherInstanceRunning() {
    if (lock_.isLocked() || lock_.tryLock(0)) return false;
    if (lock_.error() == QLockFile::LockFailedError) return true;
    qWarning("Cannot use the instance lock file; starting anyway.");
    return false;
}

QString SingleInstance::DefaultLockFile() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QStringLiteral("/vaultkeep-orb.lock");
}

}  // namespace vko
