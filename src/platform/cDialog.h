// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/FolderPicker.h"

class QWidget;

namespace vko {

// The system's file dialogs for saving and opening one file. Filters are pairs of description
// and pattern, each followed by one NUL character ("Vaultkeep Files (*.vkx)", NUL, "*.vkx",
// NUL). Keeps no state between calls.
class cDialog {
public:
    static inline const QString kAllFiles =
        QStringLiteral("All Files") + QChar(0) + QStringLiteral("*.*") + QChar(0);

    // Asks where to save, proposing the first 512 characters of Filename in InitialDir. A name
    // typed without extension gets DefaultExt; an existing file is only taken after the user
    // agrees to replace it. Returns the full path and sets Filename to the chosen file's name,
    // or returns empty and leaves Filename alone when the user cancelled.
    static QString GetSaveName(QWidget* hWnd, QString& Filename, const QString& InitialDir,
                               const QString& WindowTitle = QStringLiteral("Save File"),
                               const QString& FilterStr = kAllFiles,
                               const QString& DefaultExt = QString());

    // Asks for an existing file in DefaultDir (the current folder when empty). Returns the full
    // path and sets Filename to the file's name; when the user cancelled both are empty.
    static QString GetOpenName(QWidget* hWnd, QString& Filename, const QString& DefaultDir = {},
                               const QString& WindowTitle = QStringLiteral("Load File"),
                               const QString& Filters = kAllFiles,
                               const QString& DefaultFileName = QString());
};

// NUL-separated description/pattern pairs as the toolkit's name filters ("All Files (*)").
// A description that already shows its pattern in parentheses is kept as it is; "*.*" means
// every file, with or without a dot in its name.
[[nodiscard]] QStringList NameFilters(const QString& pairs);

// The pickers the program's dialogs use; tests put their own answers in.
struct FilePickers {
    using SaveName = std::function<QString(QWidget*, QString& Filename, const QString& InitialDir,
                                           const QString& WindowTitle, const QString& FilterStr,
                                           const QString& DefaultExt)>;
    using OpenName = std::function<QString(QWidget*, QString& Filename, const QString& DefaultDir,
                                           const QString& WindowTitle, const QString& Filters,
                                           const QString& DefaultFileName)>;

    FolderPicker folder = BrowseForFolder;
    SaveName save = [](QWidget* owner, QString& name, const QString& dir, const QString& title,
                       const QString& filter, const QString& ext) {
        return cDialog::GetSaveName(owner, name, dir, title, filter, ext);
    };
    OpenName open = [](QWidget* owner, QString& name, const QString& dir, const QString& title,
                       const QString& filter, const QString& defaultName) {
        return cDialog::GetOpenName(owner, name, dir, title, filter, defaultName);
    };
};

}  // namespace vko
