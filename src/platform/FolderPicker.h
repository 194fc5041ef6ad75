// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vko {

// The folder picker: a chosen folder without surrounding spaces, or empty when cancelled.
using FolderPicker = std::function<QString(QWidget* owner, const QString& title)>;
[[nodiscard]] QString BrowseForFolder(QWidget* owner, const QString& title);

}  // namespace vko
