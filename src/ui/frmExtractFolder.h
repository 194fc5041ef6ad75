// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FolderPicker.h"
#include "ui/OkCancelDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vko {

// Asks for the folder to extract a box into.
class frmExtractFolder : public OkCancelDialog {
    Q_OBJECT
public:
    explicit frmExtractFolder(QWidget* parent = nullptr, FolderPicker pick = BrowseForFolder);

    // Puts the proposed folder in, wholly selected.
    void Fill(const QString& folder);
    [[nodiscard]] QString Folder() const;

    void cmdBrowse_Click();

private:
    FolderPicker pick_;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
};

}  // namespace vko
