// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "app/AppShell.h"
#include "platform/FolderPicker.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vko {

// Edits the persisted settings and the memorized password; saves at once when a setting
// changed.
class frmSettings : public QDialog {
    Q_OBJECT
public:
    frmSettings(AppShell& shell, QWidget* parent = nullptr, FolderPicker pick = BrowseForFolder);

    // Puts the current values into the controls (ShowSettingsDialog without showing).
    void Fill();

protected:
    // Whichever way the dialog closes, its password field keeps no copy.
    void done(int result) override;

private:
    void BuildControls();
    void chkClearPassword_Click(bool ticked);
    void cmdBrowse_Click();
    void cmdOK_Click();

    AppShell& shell_;
    FolderPicker pick_;
    bool SettingsChanged = false;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QCheckBox* chkUseCompression = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* chkClearPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

}  // namespace vko
