// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "Version.h"

namespace vko {

QString AppVersion() {
    return QStringLiteral("%1.%2.%3")
        .arg(VKO_VERSION_MAJOR)
        .arg(VKO_VERSION_MINOR)
        .arg(VKO_VERSION_PATCH);
}

QString UpdateRequestUrl(const QString& version, const QString& page) {
    if (page.isEmpty()) return {};
    return page + QStringLiteral("/update.asp?sid=vko1&ver=") + version;
}

QString DocumentationFolder() {
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/../share/doc/vaultkeep-orb"));
    return QFileInfo(beside).isDir() ? beside : QStringLiteral("/usr/share/doc/vaultkeep-orb");
}

}  // namespace vko
