// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PathText.h"

#include <QFile>

#include "util/PathParts.h"

namespace vko {

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString PathFromBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string TextBytes(const QString& text) {
    return text.toUtf8().toStdString();
}

QString TextFromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString WithSeparator(const QString& path) {
    return path.endsWith(QLatin1Char(kPathSeparator)) ? path : path + QLatin1Char(kPathSeparator);
}

QString FilePart(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char(kPathSeparator)) + 1);
}

QString FolderName(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char(kPathSeparator))) path.chop(1);
    return FilePart(path);
}

QString PathPart(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char(kPathSeparator)) + 1);
}

}  // namespace vko
