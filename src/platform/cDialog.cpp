// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace vko {

namespace {

constexpr qsizetype kMaxProposedName = 512;

QString PatternList(const QString& pattern) {
    QStringList patterns = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns)
        if (p.trimmed() == QLatin1String("*.*")) p = QStringLiteral("*");
    return patterns.join(QLatin1Char(' '));
}

// The chosen file, or empty when the dialog was cancelled.
QString RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QStringList NameFilters(const QString& pairs) {
    const QStringList parts = pairs.split(QChar(0));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.isEmpty() && pattern.isEmpty()) break;
        if (description.contains(QLatin1Char('(') + pattern + QLatin1Char(')')) &&
            pattern.trimmed() != QLatin1String("*.*"))
            filters.append(description);
        else
            filters.append(description + QStringLiteral(" (") + PatternList(pattern) +
                           QLatin1Char(')'));
    }
    return filters;
}

QString cDialog::GetSaveName(QWidget* hWnd, QString& Filename, const QString& InitialDir,
                             const QString& WindowTitle, const QString& FilterStr,
                             const QString& DefaultExt) {
    QFileDialog dialog(hWnd, WindowTitle, InitialDir);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(FilterStr));
    dialog.setDefaultSuffix(DefaultExt);
    dialog.selectFile(Filename.left(kMaxProposedName));
    const QString path = RunFileDialog(dialog);
    if (path.isEmpty()) return {};
    Filename = QFileInfo(path).fileName();
    return QDir::toNativeSeparators(path);
}

QString cDialog::GetOpenName(QWidget* hWnd, QString& Filename, const QString& DefaultDir,
                             const QString& WindowTitle, const QString& Filters,
                             const QString& DefaultFileName) {
    QFileDialog dialog(hWnd, WindowTitle, DefaultDir.isEmpty() ? QDir::currentPath() : DefaultDir);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(Filters));
    if (!DefaultFileName.isEmpty()) dialog.selectFile(DefaultFileName);
    const QString path = RunFileDialog(dialog);
    Filename = path.isEmpty() ? QString() : QFileInfo(path).fileName();
    return QDir::toNativeSeparators(path);
}

}  // namespace vko
