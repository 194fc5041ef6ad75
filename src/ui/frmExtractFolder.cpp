// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmExtractFolder.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"
#include "ui/WindowFit.h"

namespace vko {

frmExtractFolder::frmExtractFolder(QWidget* parent, FolderPicker pick)
    : OkCancelDialog(parent), pick_(std::move(pick)) {
    setObjectName(QStringLiteral("frmExtractFolder"));
    setWindowTitle(QStringLiteral("Select Extraction Folder..."));
    // The group's mnemonic takes the focus to the folder field.
    Frame2 = Named<QGroupBox>("Frame2", QStringLiteral("&Extraction Folder"));
    Label1 = HelpLabel("Label1", QStringLiteral("The box's files will be extracted into the "
                                                "folder below. If the folder does not exist, it "
                                                "will be created."));
    txtPath = Named<QLineEdit>("txtPath");
    txtPath->setMinimumWidth(txtPath->fontMetrics().averageCharWidth() * 48);
    ShowWholeTextAsTip(txtPath);
    cmdBrowse = Named<QPushButton>("cmdBrowse", QStringLiteral("&Browse..."));
    cmdBrowse->setAutoDefault(false);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(txtPath, 1);
    pathRow->addWidget(cmdBrowse);
    auto* frame = new QVBoxLayout(Frame2);
    frame->addWidget(Label1);
    frame->addLayout(pathRow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addStretch(1);
    layout->addLayout(ButtonRow());
    FitToScreen(this);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmExtractFolder::cmdBrowse_Click);
}

void frmExtractFolder::Fill(const QString& folder) {
    txtPath->setText(folder);
    txtPath->selectAll();
    txtPath->setFocus();
}

QString frmExtractFolder::Folder() const {
    return txtPath->text();
}

void frmExtractFolder::cmdBrowse_Click() {
    const QString folder =
        pick_ ? pick_(this, QStringLiteral("Select Extraction Folder")) : QString();
    if (!folder.isEmpty()) txtPath->setText(folder);
    txtPath->setFocus();
}

}  // namespace vko
