// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderPicker.h"

#include <QFileDialog>

namespace vko {

QString BrowseForFolder(QWidget* owner, const QString& title) {
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly)
        .trimmed();
}

}  // namespace vko
