// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "app/CreateBoxForm.h"
#include "app/Messages.h"
#include "platform/cDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vko {

// Everything a new box needs before the engine creates it: name, box file, folder,
// compression and the password typed twice. Starts no work; the caller reads Form() after a
// successful Create.
class frmCreateBox : public QDialog {
    Q_OBJECT
public:
    frmCreateBox(Messages& messages, QWidget* parent = nullptr, FilePickers pickers = {});

    // Puts the caller's proposals into the fields.
    void Fill(const CreateBoxForm& form);
    [[nodiscard]] CreateBoxForm Form() const;
    // The fields after a successful Create; the password fields keep no copy afterwards.
    [[nodiscard]] CreateBoxForm TakeForm();
    // True only after a Create that passed every check.
    [[nodiscard]] bool Accepted() const noexcept { return Accepted_; }

    void cmdCreate_Click();
    void cmdFind_Click();
    void cmdBrowse_Click();

protected:
    void done(int result) override;

private:
    void ClearPasswords();
    // The strength estimate of the first password field, under it.
    void ShowStrength();
    // Asks before an existing file is replaced, unless the file picker asked already.
    [[nodiscard]] bool MayReplace(const CreateBoxForm& form);

    void BuildControls();
    QGroupBox* BuildProperties();
    QGroupBox* BuildPassword();
    void ChainEnter(QLineEdit* from, QWidget* to);

    Messages& messages_;
    FilePickers pickers_;
    bool Accepted_ = false;
    QString replaceConfirmed_;  // a file the save picker asked to replace
    QString proposedFolder_;    // where the proposed box file was, for the box-file picker
    QGroupBox* Frame1 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtBoxName = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtBoxFile = nullptr;
    QPushButton* cmdFind = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QCheckBox* chkCompress = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtPassword2 = nullptr;
    QLabel* lblStrength = nullptr;
    QCheckBox* chkShowPassword = nullptr;
    QPushButton* cmdCreate = nullptr;
    QPushButton* cmdCancel = nullptr;
};

}  // namespace vko
