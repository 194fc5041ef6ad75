// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FirstStartFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vko {

QString FirstStartFolder(const QString& documents, const QString& home) {
    if (!documents.isEmpty() && QDir().mkpath(documents) && QFileInfo(documents).isWritable())
        return QDir::toNativeSeparators(documents);
    return QDir::toNativeSeparators(home);
}

QString FirstStartFolder() {
    return FirstStartFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                            QDir::homePath());
}

}  // namespace vko
