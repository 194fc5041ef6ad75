#include "ui/frmPassword.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"

namespace vko {

frmPassword::frmPassword(QWidget* parent) : OkCancelDialog(parent) {
    setObjectName(QStringLiteral("frmPassword"));
    Label1 = Named<QLabel>("Label1", QStringLiteral("Enter Password:"));
    txtPassword = Named<QLineEdit>("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMinimumWidth(txtPassword->fontMetrics().averageCharWidth() * 36);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtPassword);
    layout->addLayout(ButtonRow());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
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
