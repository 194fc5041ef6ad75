#include "ui/frmPassword.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"

namespace vko {

frmPassword::frmPassword(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPassword"));
    if (parent) setWindowIcon(parent->windowIcon());
    Label1 = Named<QLabel>("Label1", QStringLiteral("Enter Password:"));
    txtPassword = Named<QLineEdit>("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMinimumWidth(txtPassword->fontMetrics().averageCharWidth() * 36);
    cmdOK = Named<QPushButton>("cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = Named<QPushButton>("cmdCancel", QStringLiteral("Cancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtPassword);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmPassword::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmPassword::Fill(const QString& caption, const QString& password) {
    setWindowTitle(caption);
    txtPassword->setText(password);
    txtPassword->selectAll();
    txtPassword->setFocus();
}

QString frmPassword::Password() const {
    return txtPassword->text();
}

void frmPassword::keyPressEvent(QKeyEvent* event) {
    // OK is this dialog's cancel button too.
    if (event->key() == Qt::Key_Escape) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmPassword::cmdOK_Click() {
    confirmed_ = true;
    accept();
}

}  // namespace vko
