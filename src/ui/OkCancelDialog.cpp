// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OkCancelDialog.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "ui/WidgetNames.h"

namespace vko {

OkCancelDialog::OkCancelDialog(QWidget* parent) : QDialog(parent) {
    if (parent) setWindowIcon(parent->windowIcon());
    cmdOK = Named<QPushButton>("cmdOK", QStringLiteral("&OK"));
    cmdOK->setDefault(true);
    cmdCancel = Named<QPushButton>("cmdCancel", QStringLiteral("&Cancel"));
    connect(cmdOK, &QPushButton::clicked, this, &OkCancelDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QHBoxLayout* OkCancelDialog::ButtonRow() const {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    return buttons;
}

void OkCancelDialog::cmdOK_Click() {
    confirmed_ = true;
    accept();
}

}  // namespace vko
