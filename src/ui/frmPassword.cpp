// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmPassword.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"
#include "ui/WindowFit.h"

namespace vko {

frmPassword::frmPassword(QWidget* parent) : OkCancelDialog(parent) {
    setObjectName(QStringLiteral("frmPassword"));
    txtPassword = Named<QLineEdit>("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMinimumWidth(txtPassword->fontMetrics().averageCharWidth() * 36);
    Label1 = Named<QLabel>("Label1", QStringLiteral("&Enter Password:"));
    Label1->setBuddy(txtPassword);
    chkShowPassword = ShowPasswordBox("chkShowPassword", {txtPassword});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtPassword);
    layout->addWidget(chkShowPassword);
    layout->addStretch(1);
    layout->addLayout(ButtonRow());
    setTabOrder(txtPassword, chkShowPassword);
    setTabOrder(chkShowPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    FitToScreen(this);
}

void frmPassword::Fill(const QString& caption, const QString& password) {
    setWindowTitle(caption);
    txtPassword->setText(password);
    txtPassword->selectAll();
    txtPassword->setFocus();
}

QString frmPassword::TakePassword() {
    const QString password = txtPassword->text();
    txtPassword->clear();
    return password;
}

void frmPassword::done(int result) {
    // A password that is not taken does not stay in the field either.
    if (!Confirmed()) txtPassword->clear();
    OkCancelDialog::done(result);
}

}  // namespace vko
