// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/OkCancelDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vko {

// Asks for the password of one box.
class frmPassword : public OkCancelDialog {
    Q_OBJECT
public:
    explicit frmPassword(QWidget* parent = nullptr);

    // Captions the dialog with the box file's name and puts password in, wholly selected.
    void Fill(const QString& caption, const QString& password);
    // The typed password; the field keeps no copy afterwards.
    [[nodiscard]] QString TakePassword();

protected:
    void done(int result) override;

private:
    QLabel* Label1 = nullptr;
    QLineEdit* txtPassword = nullptr;
    QCheckBox* chkShowPassword = nullptr;
};

}  // namespace vko
